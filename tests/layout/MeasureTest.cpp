#include "kaso/ui/layout/Tree.h"
#include "tests/layout/LayoutFixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kaso::layout;
using namespace kaso::layout::testing;

namespace {

struct Call {
    Size<std::optional<float>> known;
    Size<AvailableSpace> available;
};

TEST(MeasureLeaf, receives_content_box_sizes_without_padding)
{
    Tree tree;
    std::vector<Call> calls;
    Style style;
    style.size = { px(120), automatic() };
    style.padding = { 10, 4, 10, 6 };
    NodeId leaf = tree.new_leaf_with_measure(style, [&](Size<std::optional<float>> known, Size<AvailableSpace> available) {
        calls.push_back({ known, available });
        return Size<float> { 100, 18 };
    });
    Style root = row_style();
    root.align_items = AlignItems::Start;
    root.size = sized(400, 300);
    NodeId node = tree.new_with_children(root, { leaf });
    tree.compute_layout(node, AvailableSpace::definite(400), AvailableSpace::definite(300));
    ASSERT_FALSE(calls.empty());
    for (Call const& call : calls) {
        ASSERT_TRUE(call.known.width.has_value());
        EXPECT_EQ(*call.known.width, 100);
        EXPECT_FALSE(call.known.height.has_value());
    }
    expect_box(tree, leaf, { 0, 0, 120, 28 }, "leaf");
}

TEST(MeasureLeaf, text_in_a_column_wraps_at_the_stretched_width)
{
    Tree tree;
    NodeId text = tree.new_leaf_with_measure(Style {}, FakeText {});
    Style root = column_style();
    root.size = sized(120, 400);
    NodeId node = tree.new_with_children(root, { text });
    tree.compute_layout(node, AvailableSpace::definite(120), AvailableSpace::definite(400));
    // Two 40 px words per line (90 px), five lines.
    expect_box(tree, text, { 0, 0, 120, 100 }, "text");
}

TEST(MeasureLeaf, text_in_a_centred_column_takes_its_fit_content_width)
{
    Tree tree;
    NodeId text = tree.new_leaf_with_measure(Style {}, FakeText { .words = 3 });
    NodeId long_text = tree.new_leaf_with_measure(Style {}, FakeText { .words = 10 });
    Style root = column_style();
    root.size = sized(300, 400);
    root.align_items = AlignItems::Center;
    NodeId node = tree.new_with_children(root, { text, long_text });
    tree.compute_layout(node, AvailableSpace::definite(300), AvailableSpace::definite(400));
    expect_box(tree, text, { 80, 0, 140, 20 }, "short text keeps its width");
    // Six words (290 px) fit on a line of 300.
    expect_box(tree, long_text, { 5, 20, 290, 40 }, "long text wraps at the column width");
}

TEST(MeasureLeaf, growing_text_beside_a_fixed_box_wraps_in_the_rest_of_the_row)
{
    Tree tree;
    NodeId avatar = fixed_leaf(tree, 36, 36);
    Style text_column = column_style();
    text_column.flex_grow = 1;
    text_column.flex_basis = px(0);
    NodeId text = tree.new_leaf_with_measure(Style {}, FakeText {});
    NodeId column = tree.new_with_children(text_column, { text });
    Style meta = row_style();
    meta.size = { px(300), automatic() };
    meta.gap = { 10, 0 };
    meta.align_items = AlignItems::Start;
    NodeId node = tree.new_with_children(meta, { avatar, column });
    tree.compute_layout(node, AvailableSpace::definite(300), AvailableSpace::max_content());
    // 254 px left: five words per line (240 px), two lines.
    expect_box(tree, column, { 46, 0, 254, 40 }, "text column");
    expect_box(tree, text, { 0, 0, 254, 40 }, "text");
    expect_box(tree, node, { 0, 0, 300, 40 }, "row");
}

TEST(MeasureLeaf, a_shrinking_text_stops_at_its_longest_word)
{
    Tree tree;
    NodeId text = tree.new_leaf_with_measure(Style {}, FakeText { .words = 3 });
    NodeId clipped_text = tree.new_leaf_with_measure(Style { .overflow = { Overflow::Hidden, Overflow::Visible } }, FakeText { .words = 3 });
    Style root = row_style();
    root.size = sized(20, 100);
    root.flex_direction = FlexDirection::Column;
    Style line = row_style();
    line.size = sized(20, 40);
    NodeId first = tree.new_with_children(line, { text });
    NodeId second = tree.new_with_children(line, { clipped_text });
    NodeId node = tree.new_with_children(root, { first, second });
    tree.compute_layout(node, AvailableSpace::definite(20), AvailableSpace::definite(100));
    EXPECT_EQ(tree.layout(text).width, 40) << "the automatic minimum is the min-content width";
    EXPECT_EQ(tree.layout(clipped_text).width, 20) << "a clipping item may shrink below its content";
}

TEST(MeasureLeaf, intrinsic_sizing_passes_min_and_max_content_through)
{
    Tree tree;
    std::vector<Call> calls;
    NodeId leaf = tree.new_leaf_with_measure(Style {}, [&](Size<std::optional<float>> known, Size<AvailableSpace> available) {
        calls.push_back({ known, available });
        return Size<float> { available.width.is_min_content() ? 30.0f : 90.0f, 10 };
    });
    NodeId node = tree.new_with_children(row_style(), { leaf });
    tree.compute_layout(node, AvailableSpace::min_content(), AvailableSpace::max_content());
    EXPECT_EQ(tree.layout(node).width, 30);
    tree.compute_layout(node, AvailableSpace::max_content(), AvailableSpace::max_content());
    EXPECT_EQ(tree.layout(node).width, 90);
    bool saw_min = false;
    bool saw_max = false;
    for (Call const& call : calls) {
        saw_min = saw_min || call.available.width.is_min_content();
        saw_max = saw_max || call.available.width.is_max_content();
    }
    EXPECT_TRUE(saw_min);
    EXPECT_TRUE(saw_max);
}

TEST(MeasureLeaf, max_width_caps_the_space_offered_to_the_text)
{
    Tree tree;
    Style capped;
    capped.max_size = { px(100), automatic() };
    NodeId text = tree.new_leaf_with_measure(capped, FakeText {});
    Style root = column_style();
    root.align_items = AlignItems::Start;
    NodeId node = tree.new_with_children(root, { text });
    tree.compute_layout(node, AvailableSpace::definite(800), AvailableSpace::max_content());
    expect_box(tree, text, { 0, 0, 90, 100 }, "capped text");
}

TEST(MeasureLeaf, bad_measurements_count_as_zero)
{
    Tree tree;
    NodeId leaf = tree.new_leaf_with_measure(Style {}, [](auto, auto) {
        return Size<float> { std::numeric_limits<float>::quiet_NaN(), -40.0f };
    });
    Style root = row_style();
    root.align_items = AlignItems::Start;
    NodeId node = tree.new_with_children(root, { leaf });
    tree.compute_layout(node, AvailableSpace::definite(100), AvailableSpace::definite(100));
    expect_box(tree, leaf, { 0, 0, 0, 0 }, "leaf");
}

TEST(MeasureCache, an_unchanged_tree_is_not_measured_again_until_marked_dirty)
{
    Tree tree;
    int calls = 0;
    FakeText text { .calls = &calls };
    NodeId leaf = tree.new_leaf_with_measure(Style {}, text);
    Style card = column_style();
    card.padding = all_sides(6);
    NodeId inner = tree.new_with_children(card, { leaf });
    Style root = row_style();
    root.size = sized(300, 200);
    NodeId node = tree.new_with_children(root, { inner });
    tree.compute_layout(node, AvailableSpace::definite(300), AvailableSpace::definite(200));
    ASSERT_GT(calls, 0);
    EXPECT_FALSE(tree.is_dirty(leaf));

    int after_first = calls;
    tree.compute_layout(node, AvailableSpace::definite(300), AvailableSpace::definite(200));
    EXPECT_EQ(calls, after_first);

    tree.mark_dirty(leaf);
    EXPECT_TRUE(tree.is_dirty(leaf));
    EXPECT_TRUE(tree.is_dirty(node)) << "dirt reaches the ancestors";
    tree.compute_layout(node, AvailableSpace::definite(300), AvailableSpace::definite(200));
    EXPECT_GT(calls, after_first);
}

TEST(ContentSize, a_scroll_container_reports_the_extent_of_a_taller_page)
{
    Tree tree;
    Style page;
    page.display = Display::Block;
    page.padding = { 24, 20, 24, 28 };
    page.gap = { 0, 22 };
    page.flex_shrink = 0;
    std::vector<NodeId> sections;
    for (int i = 0; i < 6; ++i)
        sections.push_back(tree.new_leaf(Style { .size = { automatic(), px(300) } }));
    NodeId column = tree.new_with_children(page, sections);
    Style viewport = column_style();
    viewport.size = { percent(1), percent(1) };
    viewport.overflow = { Overflow::Hidden, Overflow::Hidden };
    NodeId scroll = tree.new_with_children(viewport, { column });
    Style window = column_style();
    window.size = { percent(1), percent(1) };
    NodeId root = tree.new_with_children(window, { scroll });
    tree.compute_layout(root, AvailableSpace::definite(1280), AvailableSpace::definite(800));

    float page_height = 20 + 6 * 300 + 5 * 22 + 28;
    expect_box(tree, scroll, { 0, 0, 1280, 800 }, "viewport");
    expect_box(tree, column, { 0, 0, 1280, page_height }, "page");
    EXPECT_EQ(tree.layout(scroll).content_height, page_height);
    EXPECT_EQ(tree.layout(root).content_height, 800) << "the clipping viewport hides the overflow from its parent";
}

}
