#pragma once

#include <optional>

#include "kaso/ui/layout/Style.h"
#include "src/widgets/FlexStyle.h"

namespace vexa {

// How a Flex lays out its children and sits in its parent: the flexbox, block and auto-fill grid
// settings the builders set, turned into a layout style in one place.
struct FlexLayout {
    explicit FlexLayout(Direction direction)
        : direction(direction)
        , align(direction == Direction::Row ? Align::Center : Align::Start)
    {
    }

    // The layout style: the solver's defaults except what these settings say.
    kaso::layout::Style style() const;

    Direction direction;
    Length width;
    Length height;
    std::optional<float> min_width;
    std::optional<float> min_height;
    std::optional<float> max_width;
    std::optional<float> grid_min_column; // set: an auto-fill grid of columns at least this wide
    kaso::layout::Edges<float> padding {};
    float gap { 0 }; // on both axes
    float grow { 0 };
    float shrink { 0 }; // a box does not shrink unless told
    bool wrap { false };
    bool block { false };
    bool clip { false }; // overflow hidden
    bool covers_parent { false }; // positioned over the whole parent (overlays, pointer captures)
    Align align;
    Justify justify { Justify::Start };
};

}
