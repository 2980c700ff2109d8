#pragma once

#include "kaso/ui/layout/Geometry.h"
#include "kaso/ui/layout/Style.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace kaso::layout {

namespace detail {
struct Node;
}

// A handle to a node of one `Tree`. Handles are plain indices: they stay valid until the tree
// is cleared, and a default-constructed handle names no node.
struct NodeId {
    static constexpr uint32_t invalid_index = std::numeric_limits<uint32_t>::max();

    uint32_t index { invalid_index };

    constexpr bool is_valid() const { return index != invalid_index; }
    constexpr bool operator==(NodeId const&) const = default;
};

// The solved box of a node, in pixels. x and y are relative to the parent's border box; width
// and height are the border box. The content size is the extent of what the node holds, its
// children's boxes (and their own overflowing content, unless they clip) plus the end padding,
// measured from the node's own origin: it exceeds width or height when the content overflows,
// which is what a scroll view needs for its extent.
struct Layout {
    float x { 0.0f };
    float y { 0.0f };
    float width { 0.0f };
    float height { 0.0f };
    float content_width { 0.0f };
    float content_height { 0.0f };

    bool operator==(Layout const&) const = default;
};

// Measures a leaf's content. `known` holds the content-box sizes already fixed by the layout
// (the other axis is to be measured); `available` is the space offered for the content box,
// exactly the known size along a known axis. A wrapping text answers its longest word's width
// under min-content, its one-line width under max-content, and under a definite width the width
// it takes wrapped at that width, with the height of its lines. Returns the content-box size;
// NaN, infinite or negative answers count as 0.
//
// Answers are remembered: after the content changes, `Tree::mark_dirty` the leaf.
using MeasureFunction = std::function<Size<float>(Size<std::optional<float>> known, Size<AvailableSpace> available)>;

// Whether `compute_layout` snaps the results to whole pixels.
enum class Rounding : uint8_t {
    WholePixels, // absolute edges are rounded, sizes derived from them: neighbours never gap or overlap
    Off,         // fractional results, as solved
};

// A tree of layout nodes and the solver over it: the flexbox subset, block stacking and the
// auto-fill grid that our widgets use. Results are cached per node; changing a node's style or
// children (or `mark_dirty`) invalidates it and its ancestors, so solving an unchanged tree
// again is cheap and a scroll never needs it at all.
//
// Every call tolerates unknown handles: queries answer empty or zero, changes are ignored.
// Nodes nested more than 512 levels below the root are not laid out: the node at that depth
// takes its own size as if it had no children, and the ones below keep zero boxes.
class Tree {
public:
    Tree();
    ~Tree();
    Tree(Tree&&) noexcept;
    Tree& operator=(Tree&&) noexcept;
    Tree(Tree const&) = delete;
    Tree& operator=(Tree const&) = delete;

    NodeId new_leaf(Style style);
    NodeId new_leaf_with_measure(Style style, MeasureFunction measure);
    // Children that are unknown or already have a parent are skipped.
    NodeId new_with_children(Style style, std::vector<NodeId> children);

    // Appends `child` to `parent`. Refused (false) when either handle is unknown, the child
    // already has a parent, or the child is `parent` or one of its ancestors.
    bool add_child(NodeId parent, NodeId child);
    void set_style(NodeId node, Style style);

    Style const& style(NodeId node) const;
    std::span<NodeId const> children(NodeId node) const;
    std::size_t child_count(NodeId node) const;
    std::optional<NodeId> parent(NodeId node) const;
    bool contains(NodeId node) const;
    std::size_t node_count() const;

    // Forgets the cached results of the node and its ancestors, e.g. when a leaf's measured
    // content changed.
    void mark_dirty(NodeId node);
    // Whether the node needs solving again since the last `compute_layout` that reached it.
    bool is_dirty(NodeId node) const;

    // Drops every node; all handles become unknown.
    void clear();

    void set_rounding(Rounding rounding);
    Rounding rounding() const { return m_rounding; }

    // Solves the subtree of `root` in the given space. The root sits at (0, 0); its own size
    // comes from its style, percentages resolved against the definite available space.
    void compute_layout(NodeId root, AvailableSpace width, AvailableSpace height);

    // The node's box from the last `compute_layout` that reached it; all zero before that or
    // for an unknown handle.
    Layout const& layout(NodeId node) const;

private:
    detail::Node* node(NodeId);
    detail::Node const* node(NodeId) const;
    void round_subtree(NodeId, float parent_x, float parent_y, float rounded_parent_x, float rounded_parent_y, std::size_t depth);

    std::vector<detail::Node> m_nodes;
    Rounding m_rounding { Rounding::WholePixels };
    // The root and rounding of the last solve whose boxes were rounded, to skip the rounding
    // pass when a solve changes nothing.
    NodeId m_last_rounded {};
    Rounding m_last_rounding { Rounding::WholePixels };
};

}
