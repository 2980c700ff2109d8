#include "src/widgets/FlexLayout.h"

namespace vexa {

namespace layout = kaso::layout;

namespace {

layout::Dimension dimension_of(Length length)
{
    switch (length.kind) {
    case Length::Kind::Auto: return layout::Dimension::automatic();
    case Length::Kind::Fill: return layout::Dimension::percent(1.0f);
    case Length::Kind::Px: return layout::Dimension::px(length.value);
    case Length::Kind::Percent: return layout::Dimension::percent(length.value);
    }
    return layout::Dimension::automatic();
}

layout::AlignItems align_items_of(Align align)
{
    switch (align) {
    case Align::Start: return layout::AlignItems::Start;
    case Align::Center: return layout::AlignItems::Center;
    case Align::End: return layout::AlignItems::End;
    case Align::Stretch: return layout::AlignItems::Stretch;
    }
    return layout::AlignItems::Start;
}

layout::JustifyContent justify_of(Justify justify)
{
    switch (justify) {
    case Justify::Start: return layout::JustifyContent::Start;
    case Justify::Center: return layout::JustifyContent::Center;
    case Justify::End: return layout::JustifyContent::End;
    case Justify::SpaceBetween: return layout::JustifyContent::SpaceBetween;
    }
    return layout::JustifyContent::Start;
}

}

layout::Style FlexLayout::style() const
{
    layout::Style style;
    if (grid_min_column)
        style.display = layout::Display::Grid;
    else if (block)
        style.display = layout::Display::Block;
    else
        style.display = layout::Display::Flex;
    if (covers_parent) {
        style.position = layout::Position::Absolute;
        style.inset = { layout::Dimension::px(0), layout::Dimension::px(0), layout::Dimension::px(0), layout::Dimension::px(0) };
    }
    if (clip)
        style.overflow = { layout::Overflow::Hidden, layout::Overflow::Hidden };
    style.size = { dimension_of(width), dimension_of(height) };
    if (min_width)
        style.min_size.width = layout::Dimension::px(*min_width);
    if (min_height)
        style.min_size.height = layout::Dimension::px(*min_height);
    if (max_width)
        style.max_size.width = layout::Dimension::px(*max_width);
    style.padding = padding;
    style.gap = { gap, gap };
    style.flex_direction = direction == Direction::Row ? layout::FlexDirection::Row : layout::FlexDirection::Column;
    style.flex_wrap = wrap ? layout::FlexWrap::Wrap : layout::FlexWrap::NoWrap;
    style.align_items = align_items_of(align);
    style.justify_content = justify_of(justify);
    style.flex_basis = grow > 0 ? layout::Dimension::px(0) : layout::Dimension::automatic();
    style.flex_grow = grow;
    style.flex_shrink = shrink;
    style.grid_min_column = grid_min_column;
    return style;
}

}
