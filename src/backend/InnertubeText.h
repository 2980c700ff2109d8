#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "src/backend/InnertubeJson.h"

// Readers of the small value shapes that innertube answers are made of. None of them fails: a
// missing or mistyped value reads as empty, 0 or nothing.
namespace vexa::innertube {

// The value at a path of object members and array indices, or nothing when any step is missing.
// at(x, {"runs", 0, "text"}) reads x.runs[0].text.
struct PathStep {
    PathStep(char const* key)
        : key(key)
        , is_key(true)
    {
    }
    PathStep(int index)
        : index(index)
    {
    }
    std::string_view key; // its length is measured once, not at every comparison
    int index { 0 };
    bool is_key { false };
};
inline JsonValue at(JsonValue value, std::initializer_list<PathStep> path)
{
    for (auto const& step : path) {
        value = step.is_key ? value[step.key] : step.index < 0 ? JsonValue {} : value.element_at(static_cast<size_t>(step.index));
        if (value.is_missing())
            break;
    }
    return value;
}

// An array's elements; a non-array reads as no elements.
JsonArray array(JsonValue value);

// A text object: "simpleText", else the joined "runs[].text", else "content"; a bare string is
// itself; anything else is "".
std::string text_of(JsonValue value);

// The best image of `x.thumbnails[]` or `x.sources[]` (or of a bare array of images): the
// greatest width × height, a later image winning a tie, "//" addresses made https. "" for none.
std::string best_thumbnail_url(JsonValue images);

// The number in a count text: "1,234 views" → 1234, "1.2M views" → 1200000, "3K" → 3000,
// "2B" → 2000000000; "No views" or no digits → 0. Saturates at the largest value.
uint64_t parse_count(std::string_view text);

// A clock length: "1:02:03" → 3723, "4:05" → 245, "59" → 59; "LIVE", "SHORTS" or anything
// not made of digits and colons → 0. Saturates at the largest value.
uint32_t parse_length(std::string_view text);

// The first non-empty text of the members, in order.
std::string first_text_of(JsonValue object, std::initializer_list<char const*> keys);

}
