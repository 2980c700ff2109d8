#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vexa {

// The eight SponsorBlock categories, stored as the index of this order.
enum class SegmentCategory : uint8_t {
    Sponsor,
    SelfPromo,
    Interaction,
    Intro,
    Outro,
    Preview,
    MusicOfftopic,
    Filler,
};

inline constexpr std::array<SegmentCategory, 8> all_segment_categories {
    SegmentCategory::Sponsor,
    SegmentCategory::SelfPromo,
    SegmentCategory::Interaction,
    SegmentCategory::Intro,
    SegmentCategory::Outro,
    SegmentCategory::Preview,
    SegmentCategory::MusicOfftopic,
    SegmentCategory::Filler,
};

// A colour as red, green and blue bytes.
struct Rgb8 {
    uint8_t red { 0 };
    uint8_t green { 0 };
    uint8_t blue { 0 };

    bool operator==(Rgb8 const&) const = default;
};

// The service's category name ("sponsor", "selfpromo", ...), also the settings-document key.
std::string_view segment_category_api_id(SegmentCategory category);
// The display label ("Sponsor", "Self-promo", ...).
std::string_view segment_category_label(SegmentCategory category);
std::string_view segment_category_variant_name(SegmentCategory category);
Rgb8 segment_category_color(SegmentCategory category);
// The category whose API id equals the text exactly (case-sensitive), or none.
std::optional<SegmentCategory> segment_category_from_api_id(std::string_view api_id);
// The category at an index 0..7, or none.
std::optional<SegmentCategory> segment_category_from_index(uint8_t index);

// What the player does with a category; stored as the index of this order.
enum class SegmentMode : uint8_t {
    Skip,     // jump over the segment automatically
    Show,     // mark it and offer a skip button
    Disabled, // ignore it
};

// "skip", "show", "disabled": the settings-document form.
std::string_view segment_mode_text(SegmentMode mode);
// The mode of an exact, case-sensitive settings-document text, or none.
std::optional<SegmentMode> segment_mode_from_text(std::string_view text);
// Skip -> Show -> Disabled -> Skip.
SegmentMode next_segment_mode_in_cycle(SegmentMode mode);

// One SponsorBlock segment of a video.
struct Segment {
    SegmentCategory category { SegmentCategory::Sponsor };
    double start { 0.0 }; // seconds from the start of the video
    double end { 0.0 };   // seconds
    int64_t votes { 0 };

    // Half-open: start <= position < end.
    bool contains(double position) const { return start <= position && position < end; }

    bool operator==(Segment const&) const = default;
};

}
