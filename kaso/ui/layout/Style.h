#pragma once

#include "kaso/ui/layout/Geometry.h"

#include <cstdint>
#include <optional>

namespace kaso::layout {

// How a node lays out its children.
enum class Display : uint8_t {
    Flex,  // a flexbox row or column
    Block, // children stacked top to bottom at full width, separated by the row gap
    Grid,  // columns repeat(auto-fill, minmax(grid_min_column px, 1fr)), rows automatic
};

enum class Position : uint8_t {
    Relative, // in flow
    Absolute, // out of flow, placed by its insets inside the parent's padding box
};

enum class Overflow : uint8_t {
    Visible,
    Hidden, // clipped: the node's content does not widen its parent's content size, and its
            // automatic minimum size as a flex item is 0
};

enum class FlexDirection : uint8_t {
    Row,
    Column,
};

enum class FlexWrap : uint8_t {
    NoWrap,
    Wrap,
};

// Cross-axis alignment, for align-items and align-self.
enum class AlignItems : uint8_t {
    Start,
    End,
    Center,
    Stretch,
};

// Main-axis distribution, for justify-content.
enum class JustifyContent : uint8_t {
    Start,
    End,
    Center,
    SpaceBetween,
};

// A length along one axis: automatic, pixels, or a fraction of the parent's content box
// (1.0 is 100 percent). A NaN value counts as automatic; a negative one as 0.
struct Dimension {
    enum class Unit : uint8_t {
        Auto,
        Px,
        Percent,
    };

    Unit unit { Unit::Auto };
    float value { 0.0f };

    static constexpr Dimension automatic() { return {}; }
    static constexpr Dimension px(float pixels) { return { Unit::Px, pixels }; }
    static constexpr Dimension percent(float fraction) { return { Unit::Percent, fraction }; }

    constexpr bool is_auto() const { return unit == Unit::Auto; }

    bool operator==(Dimension const&) const = default;
};

// The layout properties of one node. Defaults are CSS's initial values, except that every box
// is border-box sized (sizes include the padding).
//
// Bad input is tamed, never trusted: NaN lengths count as automatic (sizes) or 0 (padding, gap,
// factors); negative sizes, padding, gaps and factors count as 0; a maximum below the minimum
// gives way to the minimum.
struct Style {
    Display display { Display::Flex };
    Position position { Position::Relative };
    // Only used with `Position::Absolute`; automatic sides take the static position.
    Edges<Dimension> inset {};
    Size<Overflow> overflow { Overflow::Visible, Overflow::Visible };

    Size<Dimension> size {};
    Size<Dimension> min_size {};
    Size<Dimension> max_size {};

    Edges<float> padding {};
    // width: the gap between columns; height: the gap between rows (and between block children).
    Size<float> gap {};

    FlexDirection flex_direction { FlexDirection::Row };
    FlexWrap flex_wrap { FlexWrap::NoWrap };
    // Unset means stretch.
    std::optional<AlignItems> align_items {};
    // Unset means the parent's align_items.
    std::optional<AlignItems> align_self {};
    // Unset means start.
    std::optional<JustifyContent> justify_content {};

    float flex_grow { 0.0f };
    float flex_shrink { 1.0f };
    Dimension flex_basis {};

    // With `Display::Grid`: the minimum column width M of repeat(auto-fill, minmax(M px, 1fr)).
    // A grid without it has one column.
    std::optional<float> grid_min_column {};
};

}
