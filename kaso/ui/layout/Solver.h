#pragma once

#include "kaso/ui/layout/Node.h"

#include <vector>

namespace kaso::layout::detail {

// Answers layout questions about the nodes of one tree, through each node's cache, and
// dispatches to the algorithm of the node's display mode. In `RunMode::PerformLayout` a node
// also places its children: it writes their locations, and their own runs write their sizes.
class Solver {
public:
    // Nesting beyond this depth is laid out as if the node at the limit had no children, so a
    // runaway tree cannot exhaust the stack. Real pages nest a few dozen levels.
    static constexpr std::size_t max_depth = 512;

    explicit Solver(std::vector<Node>& nodes)
        : m_nodes(nodes)
    {
    }

    LayoutOutput compute(NodeId, LayoutInput const&);

    // The border-box size the node would take for this question; places nothing.
    Size<float> measure(NodeId, Size<std::optional<float>> known, Size<std::optional<float>> parent_size, Size<AvailableSpace> available);
    // The same, with the node's own width and height taken as automatic (its content's size).
    Size<float> measure_content(NodeId, Size<std::optional<float>> known, Size<std::optional<float>> parent_size, Size<AvailableSpace> available);

    // Runs a full layout of the child at its final size and records where it sits in its parent.
    void place(NodeId, Size<float> size, Size<std::optional<float>> parent_size, Size<AvailableSpace> available, float x, float y);

    Node& node(NodeId id) { return m_nodes[id.index]; }

    // Whether any node was laid out afresh rather than answered from its cache.
    bool laid_out_anything() const { return m_laid_out; }

private:
    LayoutOutput compute_uncached(NodeId, LayoutInput const&);

    std::vector<Node>& m_nodes;
    std::size_t m_depth { 0 };
    bool m_laid_out { false };
};

// The algorithms, one per display mode (and one for childless nodes).
LayoutOutput compute_leaf(Solver&, NodeId, LayoutInput const&);
LayoutOutput compute_flex(Solver&, NodeId, LayoutInput const&);
LayoutOutput compute_block(Solver&, NodeId, LayoutInput const&);
LayoutOutput compute_grid(Solver&, NodeId, LayoutInput const&);

}
