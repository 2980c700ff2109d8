#include "kaso/ui/layout/Tree.h"
#include "tests/layout/LayoutFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kaso::layout;
using namespace kaso::layout::testing;

namespace {

Style grid_style(float min_column, float gap)
{
    Style style;
    style.display = Display::Grid;
    style.grid_min_column = min_column;
    style.gap = { gap, gap };
    style.size = { percent(1), automatic() };
    return style;
}

struct GridCase {
    float width;
    float min_column;
    float gap;
    int columns;
    float column_width;
};

class AutoFillColumns : public ::testing::TestWithParam<GridCase> { };

// Seven items in the grid: the first row shows the column count and width, the second row
// starts with the item after the last column.
TEST_P(AutoFillColumns, count_and_width_follow_the_content_box)
{
    GridCase scenario = GetParam();
    Tree tree;
    std::vector<NodeId> items;
    for (int i = 0; i < 7; ++i) {
        Style item;
        item.size = { automatic(), px(50) };
        items.push_back(tree.new_leaf(item));
    }
    NodeId grid = tree.new_with_children(grid_style(scenario.min_column, scenario.gap), items);
    tree.set_rounding(Rounding::Off);
    tree.compute_layout(grid, AvailableSpace::definite(scenario.width), AvailableSpace::definite(800));

    std::string what = "width " + std::to_string(scenario.width);
    for (int c = 0; c < scenario.columns && c < 7; ++c)
        expect_box(tree, items[c], { c * (scenario.column_width + scenario.gap), 0, scenario.column_width, 50 }, what);
    if (scenario.columns < 7)
        expect_box(tree, items[scenario.columns], { 0, 50 + scenario.gap, scenario.column_width, 50 }, what);
    int rows = (7 + scenario.columns - 1) / scenario.columns;
    EXPECT_NEAR(tree.layout(grid).height, rows * 50 + (rows - 1) * scenario.gap, 0.01f) << what;
}

INSTANTIATE_TEST_SUITE_P(Layout, AutoFillColumns,
    ::testing::Values(
        GridCase { 1000, 300, 0, 3, 1000.0f / 3.0f },
        GridCase { 599, 300, 0, 1, 599 },
        GridCase { 600, 300, 0, 2, 300 },
        GridCase { 1280, 300, 18, 4, (1280 - 3 * 18) / 4.0f },
        GridCase { 935, 300, 18, 2, (935 - 18) / 2.0f },
        GridCase { 936, 300, 18, 3, 300 },
        GridCase { 599.9999f, 300, 0, 2, 299.99995f }, // float noise does not drop a column
        GridCase { 200, 300, 18, 1, 300 },  // narrower than one column: the column keeps its minimum and overflows
        GridCase { 40, 0, 0, 7, 1 } // a zero minimum counts as 1 px per column: 40 columns
        ));

TEST(GridLayout, rows_take_their_tallest_item_and_start_alignment_keeps_item_heights)
{
    Tree tree;
    Style grid = grid_style(100, 10);
    grid.align_items = AlignItems::Start;
    NodeId short_item = fixed_leaf(tree, 0, 30);
    tree.set_style(short_item, Style { .size = { automatic(), px(30) } });
    NodeId tall_item = tree.new_leaf(Style { .size = { automatic(), px(80) } });
    NodeId next_row = tree.new_leaf(Style { .size = { automatic(), px(20) } });
    NodeId node = tree.new_with_children(grid, { short_item, tall_item, next_row });
    tree.compute_layout(node, AvailableSpace::definite(210), AvailableSpace::max_content());
    expect_box(tree, short_item, { 0, 0, 100, 30 }, "short");
    expect_box(tree, tall_item, { 110, 0, 100, 80 }, "tall");
    expect_box(tree, next_row, { 0, 90, 100, 20 }, "second row");
    expect_box(tree, node, { 0, 0, 210, 110 }, "grid");
}

TEST(GridLayout, stretch_alignment_fills_the_row)
{
    Tree tree;
    NodeId auto_item = tree.new_leaf(Style {});
    NodeId tall_item = tree.new_leaf(Style { .size = { automatic(), px(80) } });
    NodeId node = tree.new_with_children(grid_style(100, 0), { auto_item, tall_item });
    tree.compute_layout(node, AvailableSpace::definite(200), AvailableSpace::max_content());
    expect_box(tree, auto_item, { 0, 0, 100, 80 }, "stretched");
}

TEST(GridLayout, text_items_wrap_at_the_column_width)
{
    Tree tree;
    // Ten 40 px words with 10 px spaces: 490 px on one line, 4 lines at a 150 px column.
    NodeId text = tree.new_leaf_with_measure(Style {}, FakeText {});
    Style card = column_style();
    card.padding = all_sides(6);
    NodeId item = tree.new_with_children(card, { text });
    Style grid = grid_style(150, 0);
    grid.align_items = AlignItems::Start;
    NodeId node = tree.new_with_children(grid, { item });
    tree.compute_layout(node, AvailableSpace::definite(320), AvailableSpace::max_content());
    expect_box(tree, item, { 0, 0, 160, 92 }, "card");
    expect_box(tree, text, { 6, 6, 148, 80 }, "text");
}

TEST(GridLayout, max_content_width_of_a_grid_is_one_column_of_its_widest_item)
{
    Tree tree;
    NodeId wide = fixed_leaf(tree, 420, 10);
    NodeId narrow = fixed_leaf(tree, 50, 10);
    Style grid = grid_style(300, 18);
    grid.size = {};
    NodeId node = tree.new_with_children(grid, { wide, narrow });
    Style root = column_style();
    root.align_items = AlignItems::Start;
    NodeId top = tree.new_with_children(root, { node });
    tree.compute_layout(top, AvailableSpace::max_content(), AvailableSpace::max_content());
    expect_box(tree, node, { 0, 0, 420, 38 }, "grid");
}

TEST(BlockLayout, stacks_children_at_full_width_with_the_row_gap)
{
    Tree tree;
    Style block;
    block.display = Display::Block;
    block.padding = { 24, 20, 24, 28 };
    block.gap = { 0, 22 };
    NodeId header = tree.new_leaf(Style { .size = { automatic(), px(40) } });
    NodeId narrow = fixed_leaf(tree, 100, 30);
    NodeId text = tree.new_leaf_with_measure(Style {}, FakeText {});
    NodeId node = tree.new_with_children(block, { header, narrow, text });
    tree.compute_layout(node, AvailableSpace::definite(500), AvailableSpace::definite(300));
    expect_box(tree, node, { 0, 0, 500, 20 + 40 + 22 + 30 + 22 + 40 + 28 }, "block");
    expect_box(tree, header, { 24, 20, 452, 40 }, "header fills the width");
    expect_box(tree, narrow, { 24, 82, 100, 30 }, "fixed width kept, at the start");
    expect_box(tree, text, { 24, 134, 452, 40 }, "text wraps at the content width");
}

TEST(BlockLayout, children_do_not_shrink_and_overflow_into_the_content_size)
{
    Tree tree;
    Style block;
    block.display = Display::Block;
    block.size = sized(400, 300);
    block.gap = { 0, 10 };
    block.padding = { 0, 0, 0, 16 };
    std::vector<NodeId> rows;
    for (int i = 0; i < 10; ++i)
        rows.push_back(tree.new_leaf(Style { .size = { automatic(), px(100) } }));
    NodeId node = tree.new_with_children(block, rows);
    tree.compute_layout(node, AvailableSpace::definite(400), AvailableSpace::definite(300));
    Layout const& box = tree.layout(node);
    EXPECT_EQ(box.height, 300);
    EXPECT_EQ(box.content_height, 10 * 100 + 9 * 10 + 16);
    EXPECT_EQ(box.content_width, 400);
    expect_box(tree, rows[9], { 0, 990, 400, 100 }, "last row");
}

}
