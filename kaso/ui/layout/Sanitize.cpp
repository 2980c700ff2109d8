#include "kaso/ui/layout/Sanitize.h"

#include <algorithm>
#include <cmath>

namespace kaso::layout::detail {

namespace {

// Percentages stay below a bound too: a billion times the parent would still be absurd.
constexpr float s_max_fraction = 1.0e4f;

Dimension sanitized_size(Dimension dimension)
{
    if (dimension.is_auto() || !std::isfinite(dimension.value))
        return Dimension::automatic();
    float bound = dimension.unit == Dimension::Unit::Percent ? s_max_fraction : max_length;
    dimension.value = std::clamp(dimension.value, 0.0f, bound);
    return dimension;
}

// Insets may be negative (a box may hang outside its parent); only non-finite ones are dropped.
Dimension sanitized_inset(Dimension dimension)
{
    if (dimension.is_auto() || !std::isfinite(dimension.value))
        return Dimension::automatic();
    float bound = dimension.unit == Dimension::Unit::Percent ? s_max_fraction : max_length;
    dimension.value = std::clamp(dimension.value, -bound, bound);
    return dimension;
}

}

float sanitized_length(float value)
{
    if (!std::isfinite(value) || value < 0.0f)
        return 0.0f;
    return std::fmin(value, max_length);
}

Style sanitized(Style style)
{
    style.size = { sanitized_size(style.size.width), sanitized_size(style.size.height) };
    style.min_size = { sanitized_size(style.min_size.width), sanitized_size(style.min_size.height) };
    style.max_size = { sanitized_size(style.max_size.width), sanitized_size(style.max_size.height) };
    style.flex_basis = sanitized_size(style.flex_basis);
    style.inset = {
        sanitized_inset(style.inset.left),
        sanitized_inset(style.inset.top),
        sanitized_inset(style.inset.right),
        sanitized_inset(style.inset.bottom),
    };
    style.padding = {
        sanitized_length(style.padding.left),
        sanitized_length(style.padding.top),
        sanitized_length(style.padding.right),
        sanitized_length(style.padding.bottom),
    };
    style.gap = { sanitized_length(style.gap.width), sanitized_length(style.gap.height) };
    style.flex_grow = sanitized_length(style.flex_grow);
    style.flex_shrink = sanitized_length(style.flex_shrink);
    if (style.grid_min_column)
        style.grid_min_column = sanitized_length(*style.grid_min_column);
    return style;
}

}
