#include "kaso/ui/layout/Resolve.h"
#include "kaso/ui/layout/Sanitize.h"
#include "kaso/ui/layout/Solver.h"

// A node without children: its size comes from its style, or from its measure function for the
// axes the style leaves open. The measure function sees content-box sizes (padding removed).

namespace kaso::layout::detail {

LayoutOutput compute_leaf(Solver& solver, NodeId id, LayoutInput const& input)
{
    Node& leaf = solver.node(id);
    ResolvedBox box = resolve_box(leaf.style, input.parent_size);
    Size<std::optional<float>> outer = known_outer_size(box, input);

    Size<float> content {};
    if (leaf.measure && !(outer.width && outer.height)) {
        Size<std::optional<float>> known_content = known_content_size(box, outer);
        Size<AvailableSpace> space = content_space(box, outer, input);
        if (auto remembered = leaf.cache.find_measure(known_content, space)) {
            content = *remembered;
        } else {
            Size<float> measured = leaf.measure(known_content, space);
            content = { sanitized_length(measured.width), sanitized_length(measured.height) };
            leaf.cache.store_measure(known_content, space, content);
        }
    }

    Size<float> size {
        outer.width ? *outer.width : box.clamp_width(content.width + box.padding.width),
        outer.height ? *outer.height : box.clamp_height(content.height + box.padding.height),
    };
    Size<float> content_size {
        std::max(size.width, content.width + box.padding.width),
        std::max(size.height, content.height + box.padding.height),
    };
    return { size, content_size };
}

}
