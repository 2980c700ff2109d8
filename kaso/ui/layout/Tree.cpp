#include "kaso/ui/layout/Tree.h"

#include "kaso/ui/layout/Node.h"
#include "kaso/ui/layout/Sanitize.h"
#include "kaso/ui/layout/Solver.h"

#include <cmath>
#include <utility>

namespace kaso::layout {

namespace {

Style const s_default_style {};
Layout const s_zero_layout {};

}

Tree::Tree() = default;
Tree::~Tree() = default;
Tree::Tree(Tree&&) noexcept = default;
Tree& Tree::operator=(Tree&&) noexcept = default;

detail::Node* Tree::node(NodeId id)
{
    return id.index < m_nodes.size() ? &m_nodes[id.index] : nullptr;
}

detail::Node const* Tree::node(NodeId id) const
{
    return id.index < m_nodes.size() ? &m_nodes[id.index] : nullptr;
}

NodeId Tree::new_leaf(Style style)
{
    return new_leaf_with_measure(std::move(style), {});
}

NodeId Tree::new_leaf_with_measure(Style style, MeasureFunction measure)
{
    NodeId id { static_cast<uint32_t>(m_nodes.size()) };
    detail::Node& created = m_nodes.emplace_back();
    created.style = detail::sanitized(std::move(style));
    created.measure = std::move(measure);
    return id;
}

NodeId Tree::new_with_children(Style style, std::vector<NodeId> children)
{
    NodeId id = new_leaf(std::move(style));
    for (NodeId child : children)
        add_child(id, child);
    return id;
}

bool Tree::add_child(NodeId parent_id, NodeId child_id)
{
    detail::Node* parent_node = node(parent_id);
    detail::Node* child_node = node(child_id);
    if (!parent_node || !child_node || child_node->parent.is_valid())
        return false;
    // Refuse cycles: the child may not be the parent or one of its ancestors.
    for (NodeId ancestor = parent_id; ancestor.is_valid(); ancestor = m_nodes[ancestor.index].parent) {
        if (ancestor == child_id)
            return false;
    }
    parent_node->children.push_back(child_id);
    child_node->parent = parent_id;
    mark_dirty(parent_id);
    return true;
}

void Tree::set_style(NodeId id, Style style)
{
    detail::Node* target = node(id);
    if (!target)
        return;
    target->style = detail::sanitized(std::move(style));
    mark_dirty(id);
}

Style const& Tree::style(NodeId id) const
{
    detail::Node const* target = node(id);
    return target ? target->style : s_default_style;
}

std::span<NodeId const> Tree::children(NodeId id) const
{
    detail::Node const* target = node(id);
    if (!target)
        return {};
    return target->children;
}

std::size_t Tree::child_count(NodeId id) const
{
    return children(id).size();
}

std::optional<NodeId> Tree::parent(NodeId id) const
{
    detail::Node const* target = node(id);
    if (!target || !target->parent.is_valid())
        return std::nullopt;
    return target->parent;
}

bool Tree::contains(NodeId id) const
{
    return node(id) != nullptr;
}

std::size_t Tree::node_count() const
{
    return m_nodes.size();
}

void Tree::mark_dirty(NodeId id)
{
    for (NodeId current = id; current.is_valid() && current.index < m_nodes.size();
         current = m_nodes[current.index].parent) {
        detail::Node& target = m_nodes[current.index];
        target.cache.clear();
        target.dirty = true;
    }
}

bool Tree::is_dirty(NodeId id) const
{
    detail::Node const* target = node(id);
    return target ? target->dirty : false;
}

void Tree::clear()
{
    m_nodes.clear();
    m_last_rounded = {};
}

void Tree::set_rounding(Rounding rounding)
{
    m_rounding = rounding;
}

void Tree::compute_layout(NodeId root, AvailableSpace width, AvailableSpace height)
{
    detail::Node* root_node = node(root);
    if (!root_node)
        return;

    detail::LayoutInput input;
    input.parent_size = { width.as_optional(), height.as_optional() };
    input.available = { width, height };
    input.mode = detail::RunMode::PerformLayout;

    // Solving a subtree on its own moves its root to (0, 0) and changes its cached layout, which
    // the ancestors' caches know nothing of: they must solve again next time.
    if (root_node->parent.is_valid())
        mark_dirty(root_node->parent);

    detail::Solver solver(m_nodes);
    detail::LayoutOutput output = solver.compute(root, input);
    // Nothing was laid out again: every box, and its rounding, is what the last solve left.
    if (!solver.laid_out_anything() && m_last_rounded == root && m_last_rounding == m_rounding)
        return;

    root_node->unrounded.x = 0.0f;
    root_node->unrounded.y = 0.0f;
    root_node->unrounded.width = output.size.width;
    root_node->unrounded.height = output.size.height;
    root_node->unrounded.content_width = output.content_size.width;
    root_node->unrounded.content_height = output.content_size.height;

    round_subtree(root, 0.0f, 0.0f, 0.0f, 0.0f, 0);
    m_last_rounded = root;
    m_last_rounding = m_rounding;
}

// Rounds absolute edges, not relative offsets or sizes: a box whose unrounded right edge meets
// its neighbour's left edge still meets it after rounding, whatever the fractions were.
void Tree::round_subtree(NodeId id, float parent_x, float parent_y, float rounded_parent_x, float rounded_parent_y, std::size_t depth)
{
    detail::Node& target = m_nodes[id.index];
    Layout const& raw = target.unrounded;
    float absolute_x = parent_x + raw.x;
    float absolute_y = parent_y + raw.y;

    if (m_rounding == Rounding::Off) {
        target.final_layout = raw;
        rounded_parent_x = absolute_x;
        rounded_parent_y = absolute_y;
    } else {
        float left = std::round(absolute_x);
        float top = std::round(absolute_y);
        target.final_layout.x = left - rounded_parent_x;
        target.final_layout.y = top - rounded_parent_y;
        target.final_layout.width = std::round(absolute_x + raw.width) - left;
        target.final_layout.height = std::round(absolute_y + raw.height) - top;
        target.final_layout.content_width = std::round(absolute_x + raw.content_width) - left;
        target.final_layout.content_height = std::round(absolute_y + raw.content_height) - top;
        rounded_parent_x = left;
        rounded_parent_y = top;
    }
    if (depth >= detail::Solver::max_depth)
        return;
    for (NodeId child : target.children)
        round_subtree(child, absolute_x, absolute_y, rounded_parent_x, rounded_parent_y, depth + 1);
}

Layout const& Tree::layout(NodeId id) const
{
    detail::Node const* target = node(id);
    return target ? target->final_layout : s_zero_layout;
}

}
