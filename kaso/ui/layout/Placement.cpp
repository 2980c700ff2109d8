#include "kaso/ui/layout/Placement.h"

#include "kaso/ui/layout/Resolve.h"

#include <algorithm>

namespace kaso::layout::detail {

namespace {

float static_offset(float free, bool centred, bool at_end)
{
    if (centred)
        return free / 2.0f;
    return at_end ? free : 0.0f;
}

}

void place_absolute_children(Solver& solver, NodeId container_id, Size<float> outer, StaticPosition const& position)
{
    Edges<float> padding = solver.node(container_id).style.padding;
    Size<std::optional<float>> box_size { outer.width, outer.height };
    Size<float> inner { std::max(outer.width - padding.left - padding.right, 0.0f),
        std::max(outer.height - padding.top - padding.bottom, 0.0f) };

    for (NodeId child_id : solver.node(container_id).children) {
        Style const& style = solver.node(child_id).style;
        if (style.position != Position::Absolute)
            continue;
        ResolvedBox box = resolve_box(style, box_size);
        std::optional<float> left = resolve(style.inset.left, outer.width);
        std::optional<float> right = resolve(style.inset.right, outer.width);
        std::optional<float> top = resolve(style.inset.top, outer.height);
        std::optional<float> bottom = resolve(style.inset.bottom, outer.height);

        // Both insets of an axis stretch an automatic size between them.
        Size<std::optional<float>> known = box.size;
        if (!known.width && left && right)
            known.width = box.clamp_width(outer.width - *left - *right);
        if (!known.height && top && bottom)
            known.height = box.clamp_height(outer.height - *top - *bottom);

        Size<float> size;
        if (known.width && known.height) {
            size = { *known.width, *known.height };
        } else {
            // Otherwise the child shrinks to fit the space its insets leave.
            Size<AvailableSpace> space {
                AvailableSpace::definite(outer.width - left.value_or(0.0f) - right.value_or(0.0f)),
                AvailableSpace::definite(outer.height - top.value_or(0.0f) - bottom.value_or(0.0f)),
            };
            size = solver.measure(child_id, known, box_size, space);
            size = { box.clamp_width(size.width), box.clamp_height(size.height) };
        }

        bool row = position.row;
        AlignItems align = style.align_self.value_or(position.align_items);
        bool justify_centred = position.justify == JustifyContent::Center;
        bool justify_end = position.justify == JustifyContent::End;
        bool align_centred = align == AlignItems::Center;
        bool align_end = align == AlignItems::End;
        bool centred_x = row ? justify_centred : align_centred;
        bool end_x = row ? justify_end : align_end;
        bool centred_y = row ? align_centred : justify_centred;
        bool end_y = row ? align_end : justify_end;

        float x = left ? *left
            : right    ? outer.width - *right - size.width
                       : padding.left + static_offset(inner.width - size.width, centred_x, end_x);
        float y = top ? *top
            : bottom  ? outer.height - *bottom - size.height
                      : padding.top + static_offset(inner.height - size.height, centred_y, end_y);

        solver.place(child_id, size, box_size,
            { AvailableSpace::definite(size.width), AvailableSpace::definite(size.height) }, x, y);
    }
}

Size<float> content_extent(Solver& solver, NodeId container_id, Size<float> outer)
{
    Node const& container = solver.node(container_id);
    // In-flow content ends at its last box plus the end padding; absolute boxes end where they end.
    Size<float> in_flow {};
    Size<float> absolute {};
    bool any_in_flow = false;
    for (NodeId child_id : container.children) {
        Node const& child = solver.node(child_id);
        Layout const& box = child.unrounded;
        float width = child.style.overflow.width == Overflow::Visible ? std::max(box.width, box.content_width) : box.width;
        float height = child.style.overflow.height == Overflow::Visible ? std::max(box.height, box.content_height) : box.height;
        Size<float>& extent = child.style.position == Position::Absolute ? absolute : in_flow;
        extent.width = std::max(extent.width, box.x + width);
        extent.height = std::max(extent.height, box.y + height);
        any_in_flow = any_in_flow || child.style.position != Position::Absolute;
    }
    if (any_in_flow) {
        in_flow.width += container.style.padding.right;
        in_flow.height += container.style.padding.bottom;
    }
    return {
        std::max({ in_flow.width, absolute.width, outer.width }),
        std::max({ in_flow.height, absolute.height, outer.height }),
    };
}

}
