#include "src/model/Settings.h"

#include <algorithm>

namespace vexa {

namespace {

struct FlagRow {
    std::string_view key;
    std::string_view variant_name;
    bool Settings::* field;
};

// In SettingFlag order.
constexpr std::array<FlagRow, 7> flag_rows { {
    { "sponsorblock", "SponsorBlock", &Settings::sponsorblock },
    { "dearrow", "DeArrow", &Settings::dearrow },
    { "dearrow_titles", "DeArrowTitles", &Settings::dearrow_titles },
    { "dearrow_thumbnails", "DeArrowThumbnails", &Settings::dearrow_thumbnails },
    { "return_dislike", "ReturnDislike", &Settings::return_dislike },
    { "autoplay", "Autoplay", &Settings::autoplay },
    { "show_comments", "ShowComments", &Settings::show_comments },
} };

FlagRow const& row_of(SettingFlag flag)
{
    auto index = static_cast<size_t>(flag);
    return flag_rows[index < flag_rows.size() ? index : 0];
}

}

std::string_view setting_flag_key(SettingFlag flag) { return row_of(flag).key; }

std::string_view setting_flag_variant_name(SettingFlag flag) { return row_of(flag).variant_name; }

std::optional<SettingFlag> setting_flag_from_index(uint8_t index)
{
    if (index >= all_setting_flags.size())
        return std::nullopt;
    return all_setting_flags[index];
}

bool is_quality_label(std::string_view text)
{
    return std::ranges::find(quality_labels, text) != quality_labels.end();
}

std::map<std::string, SegmentMode, std::less<>> Settings::default_sponsor_categories()
{
    std::map<std::string, SegmentMode, std::less<>> modes;
    for (auto category : all_segment_categories) {
        auto mode = category == SegmentCategory::Filler ? SegmentMode::Disabled : SegmentMode::Skip;
        modes.emplace(std::string(segment_category_api_id(category)), mode);
    }
    return modes;
}

bool Settings::flag(SettingFlag which) const { return this->*row_of(which).field; }

void Settings::set_flag(SettingFlag which, bool value) { this->*row_of(which).field = value; }

SegmentMode Settings::stored_segment_mode(SegmentCategory category) const
{
    auto entry = sponsor_categories.find(segment_category_api_id(category));
    return entry == sponsor_categories.end() ? SegmentMode::Skip : entry->second;
}

SegmentMode Settings::segment_mode(SegmentCategory category) const
{
    if (!sponsorblock)
        return SegmentMode::Disabled;
    return stored_segment_mode(category);
}

SegmentMode next_segment_mode(Settings& settings, SegmentCategory category)
{
    auto next = next_segment_mode_in_cycle(settings.stored_segment_mode(category));
    settings.sponsor_categories.insert_or_assign(std::string(segment_category_api_id(category)), next);
    return next;
}

}
