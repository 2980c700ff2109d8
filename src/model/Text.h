#pragma once

#include <string>
#include <string_view>
#include <vector>

// Unicode-aware text helpers of the model. Every one accepts any bytes: invalid UTF-8 sequences
// are first replaced with U+FFFD, so the results are always valid UTF-8.
namespace vexa::text {

std::string make_valid_utf8(std::string_view text);
// Unicode lowercase.
std::string lowercase(std::string_view text);
// White space removed at both ends.
std::string trim(std::string_view text);
// The white-space-separated words, in order.
std::vector<std::string> split_words(std::string_view text);
// Whether texts contain one text, compared in lowercase as `lowercase` makes it. The needle is
// lowered once; a haystack of plain ASCII is compared in place, so the common case allocates
// nothing.
class LowercaseNeedle {
public:
    explicit LowercaseNeedle(std::string_view needle);
    std::string const& text() const { return m_needle; }
    bool empty() const { return m_needle.empty(); }
    bool found_in(std::string_view haystack) const;

private:
    std::string m_needle;
};
// The first code point of a non-empty text, as UTF-8; empty for an empty text.
std::string first_code_point(std::string_view text);

}
