#include "src/model/Settings.h"

#include <algorithm>

namespace vexa {

std::string_view setting_flag_key(SettingFlag flag)
{
    switch (flag) {
    case SettingFlag::SponsorBlock:
        return "sponsorblock";
    case SettingFlag::DeArrow:
        return "dearrow";
    case SettingFlag::DeArrowTitles:
        return "dearrow_titles";
    case SettingFlag::DeArrowThumbnails:
        return "dearrow_thumbnails";
    case SettingFlag::ReturnDislike:
        return "return_dislike";
    case SettingFlag::Autoplay:
        return "autoplay";
    case SettingFlag::ShowComments:
        return "show_comments";
    }
    return "sponsorblock";
}

std::string_view setting_flag_variant_name(SettingFlag flag)
{
    switch (flag) {
    case SettingFlag::SponsorBlock:
        return "SponsorBlock";
    case SettingFlag::DeArrow:
        return "DeArrow";
    case SettingFlag::DeArrowTitles:
        return "DeArrowTitles";
    case SettingFlag::DeArrowThumbnails:
        return "DeArrowThumbnails";
    case SettingFlag::ReturnDislike:
        return "ReturnDislike";
    case SettingFlag::Autoplay:
        return "Autoplay";
    case SettingFlag::ShowComments:
        return "ShowComments";
    }
    return "SponsorBlock";
}

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

bool Settings::flag(SettingFlag which) const
{
    switch (which) {
    case SettingFlag::SponsorBlock:
        return sponsorblock;
    case SettingFlag::DeArrow:
        return dearrow;
    case SettingFlag::DeArrowTitles:
        return dearrow_titles;
    case SettingFlag::DeArrowThumbnails:
        return dearrow_thumbnails;
    case SettingFlag::ReturnDislike:
        return return_dislike;
    case SettingFlag::Autoplay:
        return autoplay;
    case SettingFlag::ShowComments:
        return show_comments;
    }
    return false;
}

void Settings::set_flag(SettingFlag which, bool value)
{
    switch (which) {
    case SettingFlag::SponsorBlock:
        sponsorblock = value;
        return;
    case SettingFlag::DeArrow:
        dearrow = value;
        return;
    case SettingFlag::DeArrowTitles:
        dearrow_titles = value;
        return;
    case SettingFlag::DeArrowThumbnails:
        dearrow_thumbnails = value;
        return;
    case SettingFlag::ReturnDislike:
        return_dislike = value;
        return;
    case SettingFlag::Autoplay:
        autoplay = value;
        return;
    case SettingFlag::ShowComments:
        show_comments = value;
        return;
    }
}

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
