#pragma once

#include "kaso/ui/layout/Geometry.h"
#include "kaso/ui/layout/Node.h"
#include "kaso/ui/layout/Style.h"

#include <algorithm>
#include <optional>

// Small helpers shared by the layout algorithms: resolving lengths against a parent, clamping,
// and reading sizes along the main or cross axis.
namespace kaso::layout::detail {

// Pixels for px, a share of `base` for percent (unknown while `base` is), unknown for auto.
inline std::optional<float> resolve(Dimension dimension, std::optional<float> base)
{
    switch (dimension.unit) {
    case Dimension::Unit::Px:
        return dimension.value;
    case Dimension::Unit::Percent:
        if (base)
            return *base * dimension.value;
        return std::nullopt;
    case Dimension::Unit::Auto:
        break;
    }
    return std::nullopt;
}

// Clamps to [min, max]; when min exceeds max the minimum wins, as in CSS.
inline float clamp(float value, std::optional<float> min, std::optional<float> max)
{
    if (max)
        value = std::min(value, *max);
    if (min)
        value = std::max(value, *min);
    return value;
}

inline std::optional<float> clamp(std::optional<float> value, std::optional<float> min, std::optional<float> max)
{
    if (!value)
        return std::nullopt;
    return clamp(*value, min, max);
}

inline Size<float> padding_sum(Edges<float> const& padding)
{
    return { padding.left + padding.right, padding.top + padding.bottom };
}

// A node's own size properties resolved against its parent's content box. Border-box sizes; a
// box is never smaller than its padding.
struct ResolvedBox {
    Size<std::optional<float>> size {};
    Size<std::optional<float>> min {};
    Size<std::optional<float>> max {};
    Size<float> padding {};

    // The size along one axis clamped by the minimum, maximum and padding.
    float clamp_width(float value) const { return std::max(clamp(value, min.width, max.width), padding.width); }
    float clamp_height(float value) const { return std::max(clamp(value, min.height, max.height), padding.height); }
};

inline ResolvedBox resolve_box(Style const& style, Size<std::optional<float>> parent)
{
    ResolvedBox box;
    box.size = { resolve(style.size.width, parent.width), resolve(style.size.height, parent.height) };
    box.min = { resolve(style.min_size.width, parent.width), resolve(style.min_size.height, parent.height) };
    box.max = { resolve(style.max_size.width, parent.width), resolve(style.max_size.height, parent.height) };
    box.padding = padding_sum(style.padding);
    if (box.size.width)
        box.size.width = box.clamp_width(*box.size.width);
    if (box.size.height)
        box.size.height = box.clamp_height(*box.size.height);
    return box;
}

// The node's border-box size as far as it is already fixed: the parent's known sizes first,
// then the node's own definite sizes.
inline Size<std::optional<float>> known_outer_size(ResolvedBox const& box, LayoutInput const& input)
{
    if (input.ignore_own_size)
        return input.known;
    return {
        input.known.width ? input.known.width : box.size.width,
        input.known.height ? input.known.height : box.size.height,
    };
}

// The space offered to a node's content box along one axis: its own size when known, else the
// offered space less padding, capped by the maximum size.
inline AvailableSpace content_space(std::optional<float> outer, AvailableSpace offered, std::optional<float> max, float padding)
{
    if (outer)
        return AvailableSpace::definite(*outer - padding);
    if (offered.is_definite()) {
        float space = offered.value();
        if (max)
            space = std::min(space, *max);
        return AvailableSpace::definite(space - padding);
    }
    if (max && offered.is_max_content())
        return AvailableSpace::definite(*max - padding);
    return offered;
}

// `content_space` along both axes of a node whose border-box size is known as far as `outer`.
inline Size<AvailableSpace> content_space(ResolvedBox const& box, Size<std::optional<float>> const& outer, LayoutInput const& input)
{
    return {
        content_space(outer.width, input.available.width, box.max.width, box.padding.width),
        content_space(outer.height, input.available.height, box.max.height, box.padding.height),
    };
}

// The content-box size as far as the border-box size `outer` fixes it (never negative).
inline Size<std::optional<float>> known_content_size(ResolvedBox const& box, Size<std::optional<float>> const& outer)
{
    auto inner = [](std::optional<float> size, float padding) -> std::optional<float> {
        if (!size)
            return std::nullopt;
        return std::max(*size - padding, 0.0f);
    };
    return { inner(outer.width, box.padding.width), inner(outer.height, box.padding.height) };
}

// Main and cross axis access: a row's main axis is horizontal, a column's vertical.
template<typename T>
T main_of(Size<T> const& size, bool row)
{
    return row ? size.width : size.height;
}

template<typename T>
T cross_of(Size<T> const& size, bool row)
{
    return row ? size.height : size.width;
}

template<typename T>
Size<T> from_axes(T main, T cross, bool row)
{
    return row ? Size<T> { main, cross } : Size<T> { cross, main };
}

}
