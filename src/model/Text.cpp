#include "src/model/Text.h"

#include <algorithm>

#include <glib.h>

namespace vexa::text {

namespace {

// Calls `visit(start, length, is_space)` for every code point of valid UTF-8.
template<typename Visit>
void for_each_code_point(std::string const& valid, Visit visit)
{
    char const* cursor = valid.data();
    char const* end = valid.data() + valid.size();
    while (cursor < end) {
        gunichar point = g_utf8_get_char(cursor);
        char const* next = g_utf8_next_char(cursor);
        if (next > end)
            next = end;
        visit(static_cast<size_t>(cursor - valid.data()), static_cast<size_t>(next - cursor), g_unichar_isspace(point) != 0);
        cursor = next;
    }
}

}

std::string make_valid_utf8(std::string_view text)
{
    if (g_utf8_validate_len(text.data(), text.size(), nullptr))
        return std::string(text);
    // Each maximal ill-formed subpart becomes one U+FFFD: a sequence cut short counts once,
    // however many of its bytes arrived, and a byte that begins nothing counts alone. The
    // ranges of the second byte keep out overlong forms, surrogates and points past U+10FFFF.
    // A NUL byte is replaced too: the result is always text that GLib and Pango accept.
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size() + 16);
    size_t index = 0;
    while (index < text.size()) {
        auto lead = static_cast<unsigned char>(text[index]);
        if (lead >= 0x01 && lead <= 0x7F) {
            out.push_back(static_cast<char>(lead));
            ++index;
            continue;
        }
        size_t continuation = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            continuation = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            continuation = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            continuation = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        }
        size_t end = index + 1;
        size_t taken = 0;
        while (taken < continuation && end < text.size()) {
            auto next = static_cast<unsigned char>(text[end]);
            if (next < low || next > high)
                break;
            low = 0x80;
            high = 0xBF;
            ++end;
            ++taken;
        }
        if (continuation > 0 && taken == continuation)
            out.append(text.substr(index, end - index));
        else
            out.append(replacement);
        index = end;
    }
    return out;
}

std::string lowercase(std::string_view text)
{
    auto valid = make_valid_utf8(text);
    gchar* lowered = g_utf8_strdown(valid.data(), static_cast<gssize>(valid.size()));
    std::string result(lowered);
    g_free(lowered);
    return result;
}

std::string trim(std::string_view text)
{
    auto valid = make_valid_utf8(text);
    size_t first = valid.size();
    size_t last = 0;
    for_each_code_point(valid, [&](size_t start, size_t length, bool is_space) {
        if (is_space)
            return;
        if (first == valid.size())
            first = start;
        last = start + length;
    });
    if (first == valid.size())
        return {};
    return valid.substr(first, last - first);
}

std::vector<std::string> split_words(std::string_view text)
{
    auto valid = make_valid_utf8(text);
    std::vector<std::string> words;
    std::string current;
    for_each_code_point(valid, [&](size_t start, size_t length, bool is_space) {
        if (!is_space) {
            current.append(valid, start, length);
            return;
        }
        if (!current.empty())
            words.push_back(std::move(current));
        current.clear();
    });
    if (!current.empty())
        words.push_back(std::move(current));
    return words;
}

std::string first_code_point(std::string_view text)
{
    auto valid = make_valid_utf8(text);
    if (valid.empty())
        return {};
    char const* start = valid.data();
    auto length = static_cast<size_t>(g_utf8_next_char(start) - start);
    return valid.substr(0, length);
}

LowercaseNeedle::LowercaseNeedle(std::string_view needle)
    : m_needle(lowercase(needle))
{
}

bool LowercaseNeedle::found_in(std::string_view haystack) const
{
    if (m_needle.empty())
        return true;
    bool ascii = std::all_of(haystack.begin(), haystack.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii)
        return lowercase(haystack).find(m_needle) != std::string::npos;
    // ASCII lowercases byte by byte, to ASCII: a needle holding any other byte cannot match.
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    auto found = std::search(haystack.begin(), haystack.end(), m_needle.begin(), m_needle.end(), [&](char h, char n) { return lower(h) == n; });
    return found != haystack.end();
}

}
