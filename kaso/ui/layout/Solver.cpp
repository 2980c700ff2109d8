#include "kaso/ui/layout/Solver.h"

#include "kaso/ui/layout/Resolve.h"

namespace kaso::layout::detail {

namespace {

bool is_percent(Dimension dimension)
{
    return dimension.unit == Dimension::Unit::Percent;
}

// The question with the parts that cannot change the answer taken out, so that questions
// differing only there share cache entries: a parent size only matters to a node whose own
// sizes are percentages along that axis, and the space offered along an axis whose size is
// already known is ignored by every algorithm.
LayoutInput essential(LayoutInput input, Style const& style)
{
    if (!is_percent(style.size.width) && !is_percent(style.min_size.width) && !is_percent(style.max_size.width))
        input.parent_size.width.reset();
    if (!is_percent(style.size.height) && !is_percent(style.min_size.height) && !is_percent(style.max_size.height))
        input.parent_size.height.reset();
    if (input.known.width)
        input.available.width = AvailableSpace::definite(*input.known.width);
    if (input.known.height)
        input.available.height = AvailableSpace::definite(*input.known.height);
    return input;
}

}

LayoutOutput Solver::compute(NodeId id, LayoutInput const& question)
{
    Node& target = node(id);
    LayoutInput const input = essential(question, target.style);
    if (input.mode == RunMode::PerformLayout) {
        if (target.cache.layout && target.cache.layout->input.same_question(input)) {
            target.dirty = false;
            return target.cache.layout->output;
        }
        LayoutOutput output = compute_uncached(id, input);
        m_laid_out = true;
        Node& placed = node(id);
        placed.unrounded.width = output.size.width;
        placed.unrounded.height = output.size.height;
        placed.unrounded.content_width = output.content_size.width;
        placed.unrounded.content_height = output.content_size.height;
        placed.cache.layout = CacheEntry { input, output };
        placed.cache.store_size(input, output);
        placed.dirty = false;
        return output;
    }

    if (auto cached = target.cache.find_size(input))
        return *cached;
    if (target.cache.layout && target.cache.layout->input.same_question(input))
        return target.cache.layout->output;

    // A size question whose answer the style already fixes needs no algorithm.
    ResolvedBox box = resolve_box(target.style, input.parent_size);
    Size<std::optional<float>> outer = known_outer_size(box, input);
    if (outer.width && outer.height) {
        LayoutOutput output { { *outer.width, *outer.height }, { *outer.width, *outer.height } };
        target.cache.store_size(input, output);
        return output;
    }

    LayoutOutput output = compute_uncached(id, input);
    node(id).cache.store_size(input, output);
    return output;
}

LayoutOutput Solver::compute_uncached(NodeId id, LayoutInput const& input)
{
    Node const& target = node(id);
    if (target.children.empty() || m_depth >= max_depth)
        return compute_leaf(*this, id, input);

    struct DepthGuard {
        std::size_t& depth;
        explicit DepthGuard(std::size_t& counter)
            : depth(++counter)
        {
        }
        ~DepthGuard() { --depth; }
    } guard(m_depth);

    switch (target.style.display) {
    case Display::Block:
        return compute_block(*this, id, input);
    case Display::Grid:
        return compute_grid(*this, id, input);
    case Display::Flex:
        break;
    }
    return compute_flex(*this, id, input);
}

Size<float> Solver::measure(NodeId id, Size<std::optional<float>> known, Size<std::optional<float>> parent_size, Size<AvailableSpace> available)
{
    LayoutInput input { known, parent_size, available, RunMode::ComputeSize };
    return compute(id, input).size;
}

Size<float> Solver::measure_content(NodeId id, Size<std::optional<float>> known, Size<std::optional<float>> parent_size, Size<AvailableSpace> available)
{
    LayoutInput input { .known = known, .parent_size = parent_size, .available = available, .mode = RunMode::ComputeSize, .ignore_own_size = true };
    return compute(id, input).size;
}

void Solver::place(NodeId id, Size<float> size, Size<std::optional<float>> parent_size, Size<AvailableSpace> available, float x, float y)
{
    LayoutInput input { { size.width, size.height }, parent_size, available, RunMode::PerformLayout };
    compute(id, input);
    Node& placed = node(id);
    placed.unrounded.x = x;
    placed.unrounded.y = y;
}

}
