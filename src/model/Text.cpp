#include "src/model/Text.h"

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
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result(valid);
    g_free(valid);
    return result;
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

}
