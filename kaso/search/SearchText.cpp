#include "kaso/search/SearchText.h"

#include <algorithm>
#include <array>
#include <memory>

#include <glib.h>

namespace kaso::search {

namespace {

struct GFree {
    void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFree>;

// How the ASCII path reads each byte: 0 for a separator (white space, a control character,
// punctuation), -1 for a byte outside ASCII, else the byte lower-cased (never a space).
constexpr auto ascii_folding = [] {
    std::array<signed char, 256> table {};
    for (int c = 0; c < 256; ++c) {
        bool separator = c <= 0x20 || c == 0x7f || (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') || (c >= '{' && c <= '~');
        if (c >= 0x80)
            table[std::size_t(c)] = -1;
        else
            table[std::size_t(c)] = separator ? 0 : static_cast<signed char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return table;
}();

// Most titles, names and ids are ASCII: they are folded in one pass into a buffer of the text's
// size, with no allocation beyond the result. False, and `out` unspecified, at the first byte
// outside ASCII.
bool normalize_ascii(std::string_view text, std::string& out)
{
    bool ascii = true;
    out.resize_and_overwrite(text.size(), [&](char* buffer, std::size_t) {
        char* end = buffer;
        for (char c : text) {
            auto folded = ascii_folding[static_cast<unsigned char>(c)];
            if (folded > 0) [[likely]] {
                *end++ = static_cast<char>(folded);
                continue;
            }
            if (folded < 0) {
                ascii = false;
                return std::size_t(0);
            }
            // A separator: one space after a word, none at the start. No folded byte is a
            // space, so a space last written is one already pending.
            if (end != buffer && end[-1] != ' ')
                *end++ = ' ';
        }
        if (end != buffer && end[-1] == ' ')
            --end;
        return static_cast<std::size_t>(end - buffer);
    });
    return ascii;
}

bool is_separator(gunichar c) { return g_unichar_isspace(c) || g_unichar_iscntrl(c) || g_unichar_ispunct(c) || c == 0; }

std::string normalize_unicode(std::string_view text)
{
    GText valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    GText composed(g_utf8_normalize(valid.get(), -1, G_NORMALIZE_NFKC));
    GText folded(g_utf8_casefold(composed ? composed.get() : valid.get(), -1));
    std::string out;
    bool pending_space = false;
    char buffer[6];
    for (gchar const* at = folded.get(); *at; at = g_utf8_next_char(at)) {
        gunichar c = g_utf8_get_char(at);
        if (is_separator(c)) {
            pending_space = !out.empty();
            continue;
        }
        if (pending_space)
            out.push_back(' ');
        pending_space = false;
        out.append(buffer, static_cast<std::size_t>(g_unichar_to_utf8(c, buffer)));
    }
    return out;
}

// Calls `visit` with each word of a normalised text.
template<typename Visit>
void for_each_word(std::string_view normalized, Visit&& visit)
{
    while (!normalized.empty()) {
        auto end = normalized.find(' ');
        auto word = normalized.substr(0, end);
        if (!word.empty())
            visit(word);
        if (end == std::string_view::npos)
            break;
        normalized.remove_prefix(end + 1);
    }
}

}

std::string normalize_search_text(std::string_view text)
{
    std::string out;
    if (normalize_ascii(text, out))
        return out;
    // NUL ends a C string, so the Unicode path gets the text's parts one at a time.
    out.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('\0', start);
        auto part = normalize_unicode(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!part.empty()) {
            if (!out.empty())
                out.push_back(' ');
            out += part;
        }
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return out;
}

std::vector<std::string> index_tokens(std::string_view normalized)
{
    std::vector<std::string> tokens;
    for_each_word(normalized, [&](std::string_view word) {
        if (std::ranges::find(tokens, word) == tokens.end())
            tokens.emplace_back(word);
    });
    return tokens;
}

std::vector<std::string_view> index_gram_runs(std::string_view normalized)
{
    std::vector<std::string_view> grams;
    grams.reserve(normalized.size());
    for_each_word(normalized, [&](std::string_view word) {
        // The byte offsets of the word's characters, then each run of three of them.
        std::size_t starts[3] = { 0, 0, 0 };
        std::size_t seen = 0;
        for (std::size_t at = 0; at < word.size(); at += utf8_length(static_cast<unsigned char>(word[at]))) {
            starts[seen % 3] = at;
            ++seen;
            if (seen >= 3) {
                auto from = starts[(seen - 3) % 3];
                auto next = at + utf8_length(static_cast<unsigned char>(word[at]));
                grams.push_back(word.substr(from, std::min(next, word.size()) - from));
            }
        }
    });
    return grams;
}

std::vector<std::string_view> index_gram_views(std::string_view normalized)
{
    auto grams = index_gram_runs(normalized);
    std::ranges::sort(grams);
    auto [first, last] = std::ranges::unique(grams);
    grams.erase(first, last);
    return grams;
}

std::vector<std::string> index_grams(std::string_view normalized)
{
    auto views = index_gram_views(normalized);
    return std::vector<std::string>(views.begin(), views.end());
}

std::size_t character_count(std::string_view text)
{
    return static_cast<std::size_t>(std::ranges::count_if(text, [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

}
