#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "src/model/Segment.h"

namespace vexa {

// The seven boolean settings, stored as the index of this order.
enum class SettingFlag : uint8_t {
    SponsorBlock,
    DeArrow,
    DeArrowTitles,
    DeArrowThumbnails,
    ReturnDislike,
    Autoplay,
    ShowComments,
};

inline constexpr std::array<SettingFlag, 7> all_setting_flags {
    SettingFlag::SponsorBlock,
    SettingFlag::DeArrow,
    SettingFlag::DeArrowTitles,
    SettingFlag::DeArrowThumbnails,
    SettingFlag::ReturnDislike,
    SettingFlag::Autoplay,
    SettingFlag::ShowComments,
};

// The settings-document key of a flag ("sponsorblock", "dearrow", ...), also its field name.
std::string_view setting_flag_key(SettingFlag flag);
std::string_view setting_flag_variant_name(SettingFlag flag);
// The flag at an index 0..6, or none.
std::optional<SettingFlag> setting_flag_from_index(uint8_t index);

// The values `preferred_quality` may take, in the order of the quality cycle.
inline constexpr std::array<std::string_view, 4> quality_labels { "1080p", "720p", "480p", "auto" };
bool is_quality_label(std::string_view text);

// The user's playback choices, as last read from the shared library document.
struct Settings {
    std::string preferred_quality { "1080p" };
    // Keyed by category API id; every category maps to Skip except "filler", which is Disabled.
    std::map<std::string, SegmentMode, std::less<>> sponsor_categories { default_sponsor_categories() };
    bool sponsorblock { true };
    bool dearrow { true };
    bool dearrow_titles { true };
    bool dearrow_thumbnails { true };
    bool return_dislike { true };
    bool autoplay { true };
    bool show_comments { true };

    static std::map<std::string, SegmentMode, std::less<>> default_sponsor_categories();

    bool flag(SettingFlag flag) const;
    void set_flag(SettingFlag flag, bool value);

    // Disabled while SponsorBlock is off; otherwise the stored mode, Skip when none is stored.
    SegmentMode segment_mode(SegmentCategory category) const;
    // The mode stored for the category, ignoring the SponsorBlock switch; Skip when none is stored.
    SegmentMode stored_segment_mode(SegmentCategory category) const;
    bool marks_segments(SegmentCategory category) const { return segment_mode(category) != SegmentMode::Disabled; }
    bool skips_segments(SegmentCategory category) const { return segment_mode(category) == SegmentMode::Skip; }
    bool shows_segments(SegmentCategory category) const { return segment_mode(category) == SegmentMode::Show; }

    bool operator==(Settings const&) const = default;
};

// Stores the next mode of the cycle after the stored one (Skip when none is stored) and returns
// it; the SponsorBlock switch is not consulted.
SegmentMode next_segment_mode(Settings& settings, SegmentCategory category);

}
