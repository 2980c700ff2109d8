#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kaso::search {

// How the catalogue reads a text: composed (NFKC) and case-folded, every run of white space,
// control characters (the NUL between a text's parts among them) and punctuation made one
// space, no space at either end. Invalid UTF-8 is read with U+FFFD in place of each bad byte.
std::string normalize_search_text(std::string_view text);

// The words of a normalised text, each once, in order of first appearance.
std::vector<std::string> index_tokens(std::string_view normalized);

// The fragments a substring search finds a text by: every run of three characters inside a
// word, each once, in byte order. A word shorter than three characters has none
// (the catalogue finds it through its token).
std::vector<std::string> index_grams(std::string_view normalized);
// The same fragments as `index_grams`, in the same order, as views into `normalized`.
std::vector<std::string_view> index_gram_views(std::string_view normalized);
// Every run of three characters inside a word as it comes, repeats included.
std::vector<std::string_view> index_gram_runs(std::string_view normalized);

// Characters (code points) of a valid UTF-8 text.
std::size_t character_count(std::string_view text);

// The length of the UTF-8 sequence a lead byte starts; 1 for a byte that starts none.
inline std::size_t utf8_length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead >> 5) == 0x6)
        return 2;
    if ((lead >> 4) == 0xe)
        return 3;
    if ((lead >> 3) == 0x1e)
        return 4;
    return 1;
}

}
