#include "kaso/ui/layout/Placement.h"
#include "kaso/ui/layout/Resolve.h"
#include "kaso/ui/layout/Solver.h"

#include <algorithm>

// Block mode, for page columns: in-flow children stacked top to bottom, each as wide as the
// content box unless its own width says otherwise, separated by the row gap (unlike CSS block
// layout, which has no gaps). Children never grow or shrink; what does not fit overflows into
// the content size. Alignment properties are ignored, and there are no margins to collapse.

namespace kaso::layout::detail {

LayoutOutput compute_block(Solver& solver, NodeId id, LayoutInput const& input)
{
    Node const& container = solver.node(id);
    Style const& style = container.style;
    ResolvedBox box = resolve_box(style, input.parent_size);
    Size<std::optional<float>> outer = known_outer_size(box, input);
    Size<AvailableSpace> space = content_space(box, outer, input);

    // An automatic width fills the space offered; under an intrinsic constraint it is the
    // widest child's contribution.
    float width = 0.0f;
    if (outer.width) {
        width = *outer.width;
    } else if (space.width.is_definite()) {
        width = box.clamp_width(space.width.value() + box.padding.width);
    } else {
        float widest = 0.0f;
        for (NodeId child_id : container.children) {
            Style const& child = solver.node(child_id).style;
            if (child.position == Position::Absolute)
                continue;
            ResolvedBox child_box = resolve_box(child, { std::nullopt, std::nullopt });
            Size<float> measured = solver.measure(child_id, child_box.size, { std::nullopt, std::nullopt }, { space.width, AvailableSpace::max_content() });
            widest = std::max(widest, measured.width);
        }
        width = box.clamp_width(widest + box.padding.width);
    }
    float inner_width = std::max(width - box.padding.width, 0.0f);
    std::optional<float> inner_height = known_content_size(box, outer).height;
    Size<std::optional<float>> inner { inner_width, inner_height };
    Size<AvailableSpace> child_space { AvailableSpace::definite(inner_width), space.height };

    struct Placed {
        NodeId id;
        Size<float> size;
        float y;
    };
    std::vector<Placed> placed;
    float cursor = 0.0f;
    for (NodeId child_id : container.children) {
        Style const& child = solver.node(child_id).style;
        if (child.position == Position::Absolute)
            continue;
        ResolvedBox child_box = resolve_box(child, inner);
        float child_width = child_box.size.width ? *child_box.size.width : child_box.clamp_width(inner_width);
        float child_height = child_box.size.height
            ? *child_box.size.height
            : child_box.clamp_height(solver.measure(child_id, { child_width, std::nullopt }, inner, child_space).height);
        if (!placed.empty())
            cursor += style.gap.height;
        placed.push_back({ child_id, { child_width, child_height }, cursor });
        cursor += child_height;
    }

    float height = outer.height ? *outer.height : box.clamp_height(cursor + box.padding.height);
    Size<float> size { width, height };
    if (input.mode == RunMode::ComputeSize)
        return { size, size };

    for (Placed const& child : placed) {
        solver.place(child.id, child.size, inner, child_space, style.padding.left, style.padding.top + child.y);
    }
    place_absolute_children(solver, id, size, { .row = true, .justify = JustifyContent::Start, .align_items = AlignItems::Start });
    return { size, content_extent(solver, id, size) };
}

}
