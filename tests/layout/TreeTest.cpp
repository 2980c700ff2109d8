#include "kaso/ui/layout/Tree.h"
#include "tests/layout/LayoutFixture.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace kaso::layout;
using namespace kaso::layout::testing;

namespace {

constexpr float s_nan = std::numeric_limits<float>::quiet_NaN();
constexpr float s_infinity = std::numeric_limits<float>::infinity();

TEST(TreeHandles, children_and_parents_follow_the_calls)
{
    Tree tree;
    NodeId a = tree.new_leaf({});
    NodeId b = tree.new_leaf({});
    NodeId parent = tree.new_with_children({}, { a, b });
    ASSERT_EQ(tree.child_count(parent), 2u);
    EXPECT_EQ(tree.children(parent)[0], a);
    EXPECT_EQ(tree.children(parent)[1], b);
    EXPECT_EQ(tree.parent(a), parent);
    EXPECT_FALSE(tree.parent(parent).has_value());
    EXPECT_EQ(tree.node_count(), 3u);
}

TEST(TreeHandles, add_child_refuses_unknown_handles_second_parents_and_cycles)
{
    Tree tree;
    NodeId leaf = tree.new_leaf({});
    NodeId middle = tree.new_with_children({}, { leaf });
    NodeId root = tree.new_with_children({}, { middle });
    NodeId other = tree.new_leaf({});

    EXPECT_FALSE(tree.add_child(root, NodeId {})) << "unknown child";
    EXPECT_FALSE(tree.add_child(NodeId { 99 }, other)) << "unknown parent";
    EXPECT_FALSE(tree.add_child(other, leaf)) << "leaf already has a parent";
    EXPECT_FALSE(tree.add_child(leaf, root)) << "root is an ancestor of leaf";
    EXPECT_FALSE(tree.add_child(other, other)) << "a node cannot hold itself";
    EXPECT_TRUE(tree.add_child(leaf, other));
    EXPECT_EQ(tree.child_count(leaf), 1u);

    NodeId duplicate = tree.new_with_children({}, { leaf, NodeId { 1234 } });
    EXPECT_EQ(tree.child_count(duplicate), 0u) << "children already placed or unknown are skipped";
}

TEST(TreeHandles, unknown_handles_answer_empty_and_are_ignored)
{
    Tree tree;
    NodeId unknown { 7 };
    EXPECT_FALSE(tree.contains(unknown));
    EXPECT_FALSE(NodeId {}.is_valid());
    EXPECT_TRUE(tree.children(unknown).empty());
    EXPECT_EQ(tree.layout(unknown), Layout {});
    EXPECT_EQ(tree.style(unknown).display, Display::Flex);
    tree.set_style(unknown, Style {});
    tree.mark_dirty(unknown);
    tree.compute_layout(unknown, AvailableSpace::definite(100), AvailableSpace::definite(100));
    EXPECT_EQ(tree.node_count(), 0u);
}

TEST(TreeHandles, clear_forgets_every_node)
{
    Tree tree;
    NodeId root = tree.new_with_children({}, { tree.new_leaf({}) });
    tree.compute_layout(root, AvailableSpace::definite(10), AvailableSpace::definite(10));
    tree.clear();
    EXPECT_EQ(tree.node_count(), 0u);
    EXPECT_FALSE(tree.contains(root));
    NodeId fresh = tree.new_leaf({});
    EXPECT_EQ(fresh.index, 0u);
    EXPECT_EQ(tree.layout(fresh), Layout {});
}

TEST(TreeDirt, set_style_and_add_child_mark_the_ancestors_dirty)
{
    Tree tree;
    NodeId leaf = fixed_leaf(tree, 10, 10);
    NodeId root = tree.new_with_children(row_style(), { leaf });
    EXPECT_TRUE(tree.is_dirty(root));
    tree.compute_layout(root, AvailableSpace::definite(100), AvailableSpace::definite(100));
    EXPECT_FALSE(tree.is_dirty(root));
    EXPECT_FALSE(tree.is_dirty(leaf));

    Style wider;
    wider.size = sized(40, 10);
    tree.set_style(leaf, wider);
    EXPECT_TRUE(tree.is_dirty(root));
    tree.compute_layout(root, AvailableSpace::definite(100), AvailableSpace::definite(100));
    EXPECT_EQ(tree.layout(leaf).width, 40);

    tree.add_child(root, fixed_leaf(tree, 5, 5));
    EXPECT_TRUE(tree.is_dirty(root));
    EXPECT_FALSE(tree.is_dirty(leaf)) << "siblings keep their results";
}

TEST(TreeDirt, a_new_window_size_resolves_the_clean_tree_again)
{
    Tree tree;
    NodeId child = tree.new_leaf(Style { .flex_grow = 1 });
    Style root = row_style();
    root.size = { percent(1), percent(1) };
    NodeId node = tree.new_with_children(root, { child });
    tree.compute_layout(node, AvailableSpace::definite(300), AvailableSpace::definite(100));
    EXPECT_EQ(tree.layout(child).width, 300);
    tree.compute_layout(node, AvailableSpace::definite(500), AvailableSpace::definite(100));
    EXPECT_EQ(tree.layout(child).width, 500);
}

TEST(TreeDirt, solving_a_subtree_alone_does_not_corrupt_the_whole_tree)
{
    Tree tree;
    NodeId first = fixed_leaf(tree, 40, 10);
    NodeId inner_leaf = fixed_leaf(tree, 20, 10);
    NodeId second = tree.new_with_children(row_style(), { inner_leaf });
    Style root_style = row_style();
    root_style.padding = all_sides(5);
    root_style.align_items = AlignItems::Start;
    NodeId root = tree.new_with_children(root_style, { first, second });
    tree.compute_layout(root, AvailableSpace::definite(200), AvailableSpace::definite(100));
    expect_box(tree, second, { 45, 5, 20, 10 }, "in the tree");

    tree.compute_layout(second, AvailableSpace::definite(70), AvailableSpace::definite(30));
    expect_box(tree, second, { 0, 0, 20, 10 }, "alone, at the origin");

    tree.compute_layout(root, AvailableSpace::definite(200), AvailableSpace::definite(100));
    expect_box(tree, second, { 45, 5, 20, 10 }, "back in the tree");
    expect_box(tree, inner_leaf, { 0, 0, 20, 10 }, "its child");

    tree.set_rounding(Rounding::Off);
    tree.compute_layout(root, AvailableSpace::definite(200), AvailableSpace::definite(100));
    expect_box(tree, second, { 45, 5, 20, 10 }, "a change of rounding alone still reports the boxes");
}

TEST(AvailableSpaceValues, bad_definite_values_are_tamed)
{
    EXPECT_EQ(AvailableSpace::definite(s_nan), AvailableSpace::definite(0));
    EXPECT_EQ(AvailableSpace::definite(-5).value(), 0);
    EXPECT_TRUE(AvailableSpace::definite(s_infinity).is_max_content());
    EXPECT_EQ(AvailableSpace::definite(12.5f).as_optional(), 12.5f);
    EXPECT_FALSE(AvailableSpace::min_content().as_optional().has_value());
}

// Bad style numbers never crash and never produce NaN or negative boxes.
TEST(BadInput, nan_negative_and_infinite_styles_give_finite_boxes)
{
    Tree tree;
    Style bad;
    bad.size = { px(s_nan), px(-50) };
    bad.min_size = { px(s_infinity), percent(s_nan) };
    bad.max_size = { px(-1), automatic() };
    bad.padding = { s_nan, -3, s_infinity, 2 };
    bad.gap = { -10, s_nan };
    bad.flex_grow = s_nan;
    bad.flex_shrink = -1;
    bad.flex_basis = percent(-2);
    bad.grid_min_column = s_nan;
    bad.inset = { px(s_nan), px(-4), automatic(), automatic() };
    NodeId a = tree.new_leaf(bad);
    NodeId b = tree.new_leaf_with_measure(bad, FakeText {});
    Style grid = bad;
    grid.display = Display::Grid;
    NodeId c = tree.new_with_children(grid, { tree.new_leaf(bad) });
    Style block = bad;
    block.display = Display::Block;
    NodeId d = tree.new_with_children(block, { tree.new_leaf(bad) });
    Style absolute = bad;
    absolute.position = Position::Absolute;
    NodeId e = tree.new_leaf(absolute);
    NodeId root = tree.new_with_children(bad, { a, b, c, d, e });
    tree.compute_layout(root, AvailableSpace::definite(s_nan), AvailableSpace::definite(-20));

    for (NodeId node : { root, a, b, c, d, e }) {
        Layout const& box = tree.layout(node);
        for (float value : { box.x, box.y, box.width, box.height, box.content_width, box.content_height })
            EXPECT_TRUE(std::isfinite(value)) << describe(box);
        EXPECT_GE(box.width, 0) << describe(box);
        EXPECT_GE(box.height, 0) << describe(box);
    }
    EXPECT_EQ(tree.style(a).padding.bottom, 2) << "valid numbers are kept";
    EXPECT_EQ(tree.style(e).inset.top, px(-4)) << "negative insets are legitimate";
}

TEST(BadInput, huge_lengths_stay_finite)
{
    Tree tree;
    float huge = 3.0e38f;
    Style wide;
    wide.size = { px(huge), percent(huge) };
    wide.padding = all_sides(huge);
    wide.flex_grow = huge;
    std::vector<NodeId> children;
    for (int i = 0; i < 4; ++i)
        children.push_back(tree.new_leaf(wide));
    children.push_back(tree.new_leaf_with_measure(Style {}, [huge](auto, auto) { return Size<float> { huge, huge }; }));
    Style grid;
    grid.display = Display::Grid;
    grid.grid_min_column = huge;
    grid.gap = { huge, huge };
    children.push_back(tree.new_with_children(grid, { tree.new_leaf(wide), tree.new_leaf(wide) }));
    Style root = row_style();
    root.gap = { huge, huge };
    root.flex_wrap = FlexWrap::Wrap;
    NodeId node = tree.new_with_children(root, children);
    tree.compute_layout(node, AvailableSpace::definite(huge), AvailableSpace::max_content());
    for (std::size_t index = 0; index < tree.node_count(); ++index) {
        Layout const& box = tree.layout(NodeId { static_cast<uint32_t>(index) });
        for (float value : { box.x, box.y, box.width, box.height, box.content_width, box.content_height })
            EXPECT_TRUE(std::isfinite(value)) << describe(box);
    }
    EXPECT_EQ(tree.style(children[0]).size.width, px(max_length));
}

TEST(BadInput, runaway_nesting_is_cut_off_instead_of_exhausting_the_stack)
{
    Tree tree;
    NodeId innermost = fixed_leaf(tree, 10, 10);
    std::vector<NodeId> chain { innermost };
    for (int level = 0; level < 20000; ++level)
        chain.push_back(tree.new_with_children(level % 2 ? column_style() : row_style(), { chain.back() }));
    tree.compute_layout(chain.back(), AvailableSpace::definite(800), AvailableSpace::definite(600));
    EXPECT_EQ(tree.layout(chain.back()).height, 0) << "the content below the cut is not seen";
    EXPECT_EQ(tree.layout(innermost), Layout {});

    Tree shallow;
    NodeId leaf = fixed_leaf(shallow, 10, 10);
    NodeId top = leaf;
    for (int level = 0; level < 100; ++level)
        top = shallow.new_with_children(level % 2 ? column_style() : row_style(), { top });
    shallow.compute_layout(top, AvailableSpace::definite(800), AvailableSpace::definite(600));
    EXPECT_EQ(shallow.layout(leaf).width, 10) << "ordinary nesting is laid out in full";
}

struct RoundingCase {
    float offset;
    float width;
    int children;
};

class WholePixelRounding : public ::testing::TestWithParam<RoundingCase> { };

// Children sharing a row of fractional width sit edge to edge after rounding, and their widths
// add up to the row's.
TEST_P(WholePixelRounding, neighbours_never_gap_or_overlap)
{
    RoundingCase scenario = GetParam();
    Tree tree;
    std::vector<NodeId> cells;
    for (int i = 0; i < scenario.children; ++i)
        cells.push_back(tree.new_leaf(Style { .flex_grow = 1, .flex_basis = px(0) }));
    Style row = row_style();
    row.size = sized(scenario.width, 20);
    NodeId strip = tree.new_with_children(row, cells);
    Style holder = row_style();
    holder.padding = { scenario.offset, 0, 0, 0 };
    holder.align_items = AlignItems::Start;
    NodeId root = tree.new_with_children(holder, { strip });
    tree.compute_layout(root, AvailableSpace::definite(2000), AvailableSpace::definite(100));

    float edge = 0;
    float total = 0;
    for (NodeId cell : cells) {
        Layout const& box = tree.layout(cell);
        EXPECT_EQ(box.x, edge);
        EXPECT_EQ(box.width, std::round(box.width));
        edge = box.x + box.width;
        total += box.width;
    }
    Layout const& strip_box = tree.layout(strip);
    EXPECT_EQ(total, strip_box.width);
    EXPECT_EQ(strip_box.x, std::round(scenario.offset));
}

INSTANTIATE_TEST_SUITE_P(Layout, WholePixelRounding,
    ::testing::Values(RoundingCase { 0, 100, 3 }, RoundingCase { 0.4f, 100, 3 }, RoundingCase { 0.5f, 333.3f, 7 },
        RoundingCase { 12.7f, 1000, 6 }, RoundingCase { 3.3f, 10, 4 }));

TEST(Rounding, off_keeps_fractions)
{
    Tree tree;
    tree.set_rounding(Rounding::Off);
    NodeId cell = tree.new_leaf(Style { .flex_grow = 1, .flex_basis = px(0) });
    NodeId other = tree.new_leaf(Style { .flex_grow = 2, .flex_basis = px(0) });
    Style row = row_style();
    row.size = sized(100, 10);
    NodeId root = tree.new_with_children(row, { cell, other });
    tree.compute_layout(root, AvailableSpace::definite(100), AvailableSpace::definite(10));
    EXPECT_NEAR(tree.layout(cell).width, 100.0f / 3.0f, 1e-4);
    EXPECT_NEAR(tree.layout(other).x, 100.0f / 3.0f, 1e-4);
}

}
