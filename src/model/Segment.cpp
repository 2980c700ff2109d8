#include "src/model/Segment.h"

namespace vexa {

namespace {

struct CategoryRow {
    std::string_view api_id;
    std::string_view label;
    std::string_view variant_name;
    Rgb8 color;
};

constexpr std::array<CategoryRow, 8> category_rows { {
    { "sponsor", "Sponsor", "Sponsor", { 0x00, 0xD4, 0x00 } },
    { "selfpromo", "Self-promo", "SelfPromo", { 0xFF, 0xFF, 0x00 } },
    { "interaction", "Interaction reminder", "Interaction", { 0xCC, 0x00, 0xFF } },
    { "intro", "Intermission / intro", "Intro", { 0x00, 0xFF, 0xFF } },
    { "outro", "Endcards / outro", "Outro", { 0x02, 0x02, 0xED } },
    { "preview", "Preview / recap", "Preview", { 0x00, 0x8F, 0xD6 } },
    { "music_offtopic", "Non-music section", "MusicOfftopic", { 0xFF, 0x94, 0x00 } },
    { "filler", "Filler tangent", "Filler", { 0x7A, 0x00, 0xFF } },
} };

CategoryRow const& row_of(SegmentCategory category)
{
    auto index = static_cast<size_t>(category);
    return category_rows[index < category_rows.size() ? index : 0];
}

}

std::string_view segment_category_api_id(SegmentCategory category) { return row_of(category).api_id; }

std::string_view segment_category_label(SegmentCategory category) { return row_of(category).label; }

std::string_view segment_category_variant_name(SegmentCategory category) { return row_of(category).variant_name; }

Rgb8 segment_category_color(SegmentCategory category) { return row_of(category).color; }

std::optional<SegmentCategory> segment_category_from_api_id(std::string_view api_id)
{
    for (auto category : all_segment_categories) {
        if (segment_category_api_id(category) == api_id)
            return category;
    }
    return std::nullopt;
}

std::optional<SegmentCategory> segment_category_from_index(uint8_t index)
{
    if (index >= all_segment_categories.size())
        return std::nullopt;
    return all_segment_categories[index];
}

std::string_view segment_mode_text(SegmentMode mode)
{
    switch (mode) {
    case SegmentMode::Skip:
        return "skip";
    case SegmentMode::Show:
        return "show";
    case SegmentMode::Disabled:
        return "disabled";
    }
    return "skip";
}

std::optional<SegmentMode> segment_mode_from_text(std::string_view text)
{
    if (text == "skip")
        return SegmentMode::Skip;
    if (text == "show")
        return SegmentMode::Show;
    if (text == "disabled")
        return SegmentMode::Disabled;
    return std::nullopt;
}

SegmentMode next_segment_mode_in_cycle(SegmentMode mode)
{
    switch (mode) {
    case SegmentMode::Skip:
        return SegmentMode::Show;
    case SegmentMode::Show:
        return SegmentMode::Disabled;
    case SegmentMode::Disabled:
        return SegmentMode::Skip;
    }
    return SegmentMode::Skip;
}

}
