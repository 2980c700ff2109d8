#include "kaso/ui/layout/Tree.h"
#include "tests/layout/LayoutFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

// Cached answers must never change a result: a tree solved at other sizes first, or partly
// marked dirty, lays out exactly like a fresh copy solved once. Random page-like trees drive
// every algorithm through many questions.

using namespace kaso::layout;
using namespace kaso::layout::testing;

namespace {

class RandomTree {
public:
    explicit RandomTree(unsigned seed)
        : m_random(seed)
    {
    }

    NodeId build(Tree& tree, int depth)
    {
        Style style = random_style(depth == 0);
        int children = depth >= 4 ? 0 : pick(0, 4);
        if (children == 0) {
            if (pick(0, 2) == 0)
                return tree.new_leaf_with_measure(style, FakeText { .words = pick(1, 12) });
            return tree.new_leaf(style);
        }
        std::vector<NodeId> nodes;
        for (int i = 0; i < children; ++i)
            nodes.push_back(build(tree, depth + 1));
        return tree.new_with_children(style, nodes);
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    float length() { return static_cast<float>(pick(0, 40)) * 7.5f; }

    Dimension dimension()
    {
        switch (pick(0, 5)) {
        case 0:
            return px(length());
        case 1:
            return percent(static_cast<float>(pick(1, 10)) / 10.0f);
        default:
            return automatic();
        }
    }

    Style random_style(bool root)
    {
        Style style;
        int display = pick(0, 9);
        style.display = display < 7 ? Display::Flex : display < 8 ? Display::Block : Display::Grid;
        if (style.display == Display::Grid)
            style.grid_min_column = static_cast<float>(pick(5, 30)) * 10.0f;
        style.flex_direction = pick(0, 1) ? FlexDirection::Row : FlexDirection::Column;
        style.flex_wrap = pick(0, 4) == 0 ? FlexWrap::Wrap : FlexWrap::NoWrap;
        style.size = { dimension(), dimension() };
        if (pick(0, 4) == 0)
            style.min_size.width = px(length());
        if (pick(0, 4) == 0)
            style.max_size.width = px(length() + 50);
        float pad = static_cast<float>(pick(0, 3)) * 3.3f;
        style.padding = { pad, pad / 2, pad, pad * 1.5f };
        style.gap = { static_cast<float>(pick(0, 3)) * 4.5f, static_cast<float>(pick(0, 3)) * 5.0f };
        if (pick(0, 2) == 0) {
            style.flex_grow = static_cast<float>(pick(1, 3));
            style.flex_basis = px(0);
        }
        style.flex_shrink = static_cast<float>(pick(0, 1));
        static constexpr AlignItems aligns[] = { AlignItems::Start, AlignItems::Center, AlignItems::End, AlignItems::Stretch };
        if (pick(0, 1))
            style.align_items = aligns[pick(0, 3)];
        if (pick(0, 5) == 0)
            style.align_self = aligns[pick(0, 3)];
        static constexpr JustifyContent justifies[] = { JustifyContent::Start, JustifyContent::Center, JustifyContent::End, JustifyContent::SpaceBetween };
        style.justify_content = justifies[pick(0, 3)];
        if (pick(0, 5) == 0)
            style.overflow = { Overflow::Hidden, Overflow::Hidden };
        if (!root && pick(0, 12) == 0) {
            style.position = Position::Absolute;
            style.inset = { px(0), px(0), px(0), px(0) };
        }
        if (root)
            style.size = { percent(1), percent(1) };
        return style;
    }

    std::mt19937 m_random;
};

void expect_same_layouts(Tree const& warm, Tree const& fresh, unsigned seed, char const* what)
{
    ASSERT_EQ(warm.node_count(), fresh.node_count());
    for (std::size_t i = 0; i < warm.node_count(); ++i) {
        NodeId id { static_cast<uint32_t>(i) };
        ASSERT_EQ(warm.layout(id), fresh.layout(id)) << what << ", seed " << seed << ", node " << i << ": "
                                                     << describe(warm.layout(id)) << " vs " << describe(fresh.layout(id));
    }
}

TEST(CacheConsistency, warm_caches_give_the_results_of_a_fresh_solve)
{
    for (unsigned seed = 1; seed <= 150; ++seed) {
        Tree warm;
        Tree fresh;
        NodeId warm_root = RandomTree(seed).build(warm, 0);
        NodeId fresh_root = RandomTree(seed).build(fresh, 0);

        warm.compute_layout(warm_root, AvailableSpace::definite(640), AvailableSpace::definite(480));
        warm.compute_layout(warm_root, AvailableSpace::definite(1280), AvailableSpace::definite(800));
        warm.compute_layout(warm_root, AvailableSpace::max_content(), AvailableSpace::max_content());
        warm.compute_layout(warm_root, AvailableSpace::definite(1000), AvailableSpace::definite(700));
        fresh.compute_layout(fresh_root, AvailableSpace::definite(1000), AvailableSpace::definite(700));
        expect_same_layouts(warm, fresh, seed, "after other sizes");

        // Dirty a leaf somewhere in the middle: the rest of the caches stay and must agree.
        NodeId middle { static_cast<uint32_t>(warm.node_count() / 2) };
        warm.mark_dirty(middle);
        warm.compute_layout(warm_root, AvailableSpace::definite(1000), AvailableSpace::definite(700));
        expect_same_layouts(warm, fresh, seed, "after marking a node dirty");
    }
}

TEST(CacheConsistency, random_trees_give_finite_non_negative_boxes)
{
    for (unsigned seed = 1000; seed < 1150; ++seed) {
        Tree tree;
        NodeId root = RandomTree(seed).build(tree, 0);
        tree.compute_layout(root, AvailableSpace::definite(900), AvailableSpace::definite(600));
        for (std::size_t i = 0; i < tree.node_count(); ++i) {
            Layout const& box = tree.layout(NodeId { static_cast<uint32_t>(i) });
            for (float value : { box.x, box.y, box.width, box.height, box.content_width, box.content_height })
                ASSERT_TRUE(std::isfinite(value)) << "seed " << seed << " node " << i << " " << describe(box);
            ASSERT_GE(box.width, 0) << "seed " << seed << " node " << i;
            ASSERT_GE(box.height, 0) << "seed " << seed << " node " << i;
            ASSERT_GE(box.content_width, box.width) << "seed " << seed << " node " << i;
            ASSERT_GE(box.content_height, box.height) << "seed " << seed << " node " << i;
        }
    }
}

}
