#include "src/backend/InnertubeText.h"

#include <limits>

namespace vexa::innertube {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

uint64_t saturating_multiply_add(uint64_t value, uint64_t factor, uint64_t addend)
{
    constexpr auto max = std::numeric_limits<uint64_t>::max();
    if (factor != 0 && value > (max - addend) / factor)
        return max;
    return value * factor + addend;
}

uint64_t image_dimension(JsonValue value)
{
    return std::min<uint64_t>(value.unsigned_integer().value_or(0), std::numeric_limits<uint32_t>::max());
}

}

JsonArray array(JsonValue value) { return value.elements(); }

std::string text_of(JsonValue value)
{
    if (value.is_string())
        return std::string(value.string());
    JsonValue simple, runs, content;
    read_members(value, { { "simpleText", &simple }, { "runs", &runs }, { "content", &content } });
    if (simple.is_string())
        return std::string(simple.string());
    if (runs.is_array()) {
        // Most texts are one run, which needs no joining.
        if (runs.element_count() == 1)
            return std::string(runs.element_at(0)["text"].string());
        std::string joined;
        for (auto run : runs.elements())
            joined += run["text"].string();
        return joined;
    }
    return std::string(content.string());
}

std::string best_thumbnail_url(JsonValue images)
{
    JsonValue list = images;
    if (images.is_object()) {
        JsonValue thumbnails, sources;
        read_members(images, { { "thumbnails", &thumbnails }, { "sources", &sources } });
        list = thumbnails.is_array() ? thumbnails : sources;
    }
    std::string_view best;
    uint64_t best_area = 0;
    bool found = false;
    for (auto image : list.elements()) {
        JsonValue url, width, height;
        read_members(image, { { "url", &url }, { "width", &width }, { "height", &height } });
        if (!url.is_string())
            continue;
        uint64_t area = image_dimension(width) * image_dimension(height);
        if (!found || area >= best_area) {
            best = url.string();
            best_area = area;
            found = true;
        }
    }
    if (best.starts_with("//"))
        return "https:" + std::string(best);
    return std::string(best);
}

uint64_t parse_count(std::string_view text)
{
    size_t position = 0;
    while (position < text.size() && !is_digit(text[position]))
        ++position;
    if (position == text.size())
        return 0;
    uint64_t whole = 0;
    for (; position < text.size(); ++position) {
        char c = text[position];
        if (is_digit(c))
            whole = saturating_multiply_add(whole, 10, static_cast<uint64_t>(c - '0'));
        else if (c != ',')
            break;
    }
    // Up to three decimals are kept exactly: "1.25K" is 1250.
    uint64_t fraction = 0;
    uint64_t fraction_scale = 1;
    if (position + 1 < text.size() && text[position] == '.' && is_digit(text[position + 1])) {
        ++position;
        for (; position < text.size() && is_digit(text[position]); ++position) {
            if (fraction_scale < 1000) {
                fraction = fraction * 10 + static_cast<uint64_t>(text[position] - '0');
                fraction_scale *= 10;
            }
        }
    }
    while (position < text.size() && text[position] == ' ')
        ++position;
    uint64_t multiplier = 1;
    if (position < text.size()) {
        switch (text[position]) {
        case 'K': case 'k': multiplier = 1'000; break;
        case 'M': case 'm': multiplier = 1'000'000; break;
        case 'B': case 'b': multiplier = 1'000'000'000; break;
        default: break;
        }
        // A word that merely begins with the letter ("1 month", "2 bananas") is no suffix.
        if (multiplier != 1 && position + 1 < text.size()) {
            char next = text[position + 1];
            if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))
                multiplier = 1;
        }
    }
    uint64_t value = saturating_multiply_add(whole, multiplier, 0);
    uint64_t fractional_part = multiplier == 1 ? 0 : fraction * (multiplier / fraction_scale);
    return saturating_multiply_add(value, 1, fractional_part);
}

uint32_t parse_length(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    // Every part between colons is one or more digits: "1:02:03", "4:05", "59".
    uint64_t total = 0;
    uint64_t part = 0;
    bool digit_in_part = false;
    for (char c : text) {
        if (is_digit(c)) {
            part = saturating_multiply_add(part, 10, static_cast<uint64_t>(c - '0'));
            digit_in_part = true;
        } else if (c == ':' && digit_in_part) {
            total = saturating_multiply_add(total, 60, part);
            part = 0;
            digit_in_part = false;
        } else {
            return 0;
        }
    }
    if (!digit_in_part)
        return 0;
    total = saturating_multiply_add(total, 60, part);
    return static_cast<uint32_t>(std::min<uint64_t>(total, std::numeric_limits<uint32_t>::max()));
}

std::string first_text_of(JsonValue object, std::initializer_list<char const*> keys)
{
    for (auto const* key : keys) {
        auto value = text_of(object[key]);
        if (!value.empty())
            return value;
    }
    return {};
}

}
