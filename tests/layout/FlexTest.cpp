#include "kaso/ui/layout/Tree.h"
#include "tests/layout/LayoutFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace kaso::layout;
using namespace kaso::layout::testing;

namespace {

struct Expectation {
    NodeId node;
    Box box;
};

struct Scene {
    NodeId root;
    std::vector<Expectation> boxes;
};

struct FlexCase {
    std::string name;
    float width;
    float height;
    std::function<Scene(Tree&)> build;
};

Style grow(float factor)
{
    Style style;
    style.flex_grow = factor;
    style.flex_basis = px(0);
    return style;
}

std::vector<FlexCase> const& flex_cases()
{
    static std::vector<FlexCase> const cases {
        { "row shares the free space by grow factors", 350, 50, [](Tree& tree) {
             NodeId fixed = fixed_leaf(tree, 50, 20);
             NodeId one = tree.new_leaf(grow(1));
             NodeId two = tree.new_leaf(grow(2));
             Style root = row_style();
             root.size = sized(350, 50);
             return Scene { tree.new_with_children(root, { fixed, one, two }),
                 { { fixed, { 0, 0, 50, 20 } }, { one, { 50, 0, 100, 50 } }, { two, { 150, 0, 200, 50 } } } };
         } },
        { "gap and padding come off the space before growing", 300, 60, [](Tree& tree) {
             NodeId a = tree.new_leaf(grow(1));
             NodeId b = tree.new_leaf(grow(1));
             Style root = row_style();
             root.size = sized(300, 60);
             root.padding = { 10, 5, 30, 5 };
             root.gap = { 20, 0 };
             return Scene { tree.new_with_children(root, { a, b }), { { a, { 10, 5, 120, 50 } }, { b, { 150, 5, 120, 50 } } } };
         } },
        { "wrapping row breaks lines at the content width", 250, 300, [](Tree& tree) {
             Style root = row_style();
             root.size = { px(250), automatic() };
             root.flex_wrap = FlexWrap::Wrap;
             root.gap = { 10, 10 };
             root.align_items = AlignItems::Start;
             std::vector<NodeId> chips;
             for (int i = 0; i < 5; ++i)
                 chips.push_back(fixed_leaf(tree, 100, 20));
             NodeId node = tree.new_with_children(root, chips);
             return Scene { node,
                 { { node, { 0, 0, 250, 80 } }, { chips[0], { 0, 0, 100, 20 } }, { chips[1], { 110, 0, 100, 20 } },
                     { chips[2], { 0, 30, 100, 20 } }, { chips[3], { 110, 30, 100, 20 } }, { chips[4], { 0, 60, 100, 20 } } } };
         } },
        { "items exactly filling a line do not wrap", 210, 100, [](Tree& tree) {
             Style root = row_style();
             root.size = { px(210), automatic() };
             root.flex_wrap = FlexWrap::Wrap;
             root.gap = { 10, 10 };
             NodeId a = fixed_leaf(tree, 100, 20);
             NodeId b = fixed_leaf(tree, 100, 20);
             NodeId node = tree.new_with_children(root, { a, b });
             return Scene { node, { { node, { 0, 0, 210, 20 } }, { b, { 110, 0, 100, 20 } } } };
         } },
        { "column with gap and padding stretches its children", 200, 400, [](Tree& tree) {
             Style root = column_style();
             root.size = { px(200), automatic() };
             root.padding = all_sides(10);
             root.gap = { 0, 5 };
             Style first;
             first.size = { automatic(), px(20) };
             Style second;
             second.size = { automatic(), px(30) };
             NodeId a = tree.new_leaf(first);
             NodeId b = tree.new_leaf(second);
             NodeId node = tree.new_with_children(root, { a, b });
             return Scene { node, { { node, { 0, 0, 200, 75 } }, { a, { 10, 10, 180, 20 } }, { b, { 10, 35, 180, 30 } } } };
         } },
        { "percent width resolves against the content box", 400, 100, [](Tree& tree) {
             Style root = row_style();
             root.size = sized(400, 100);
             root.padding = all_sides(20);
             Style half;
             half.size = { percent(0.5f), percent(0.25f) };
             NodeId child = tree.new_leaf(half);
             return Scene { tree.new_with_children(root, { child }), { { child, { 20, 20, 180, 15 } } } };
         } },
        { "max width caps a growing item and the rest goes to its sibling", 500, 40, [](Tree& tree) {
             Style capped = grow(1);
             capped.max_size = { px(100), automatic() };
             NodeId a = tree.new_leaf(capped);
             NodeId b = tree.new_leaf(grow(1));
             Style root = row_style();
             root.size = sized(500, 40);
             return Scene { tree.new_with_children(root, { a, b }), { { a, { 0, 0, 100, 40 } }, { b, { 100, 0, 400, 40 } } } };
         } },
        { "min width holds a shrinking item and the other shrinks more", 200, 40, [](Tree& tree) {
             Style held;
             held.size = { px(150), px(40) };
             held.min_size = { px(140), automatic() };
             NodeId a = tree.new_leaf(held);
             NodeId b = fixed_leaf(tree, 150, 40);
             Style root = row_style();
             root.size = sized(200, 40);
             return Scene { tree.new_with_children(root, { a, b }), { { a, { 0, 0, 140, 40 } }, { b, { 140, 0, 60, 40 } } } };
         } },
        { "shrink 0 keeps sizes and overflows", 200, 40, [](Tree& tree) {
             Style rigid;
             rigid.size = sized(150, 40);
             rigid.flex_shrink = 0;
             NodeId a = tree.new_leaf(rigid);
             NodeId b = tree.new_leaf(rigid);
             Style root = row_style();
             root.size = sized(200, 40);
             NodeId node = tree.new_with_children(root, { a, b });
             return Scene { node, { { b, { 150, 0, 150, 40 } } } };
         } },
        { "min height beats a smaller max height", 100, 100, [](Tree& tree) {
             Style odd;
             odd.size = sized(50, 10);
             odd.min_size = { automatic(), px(30) };
             odd.max_size = { automatic(), px(20) };
             NodeId a = tree.new_leaf(odd);
             Style root = row_style();
             root.size = sized(100, 100);
             root.align_items = AlignItems::Start;
             return Scene { tree.new_with_children(root, { a }), { { a, { 0, 0, 50, 30 } } } };
         } },
        { "centring on both axes", 300, 200, [](Tree& tree) {
             Style root = row_style();
             root.size = sized(300, 200);
             root.justify_content = JustifyContent::Center;
             root.align_items = AlignItems::Center;
             NodeId child = fixed_leaf(tree, 100, 50);
             return Scene { tree.new_with_children(root, { child }), { { child, { 100, 75, 100, 50 } } } };
         } },
        { "end alignment on both axes of a column", 300, 200, [](Tree& tree) {
             Style root = column_style();
             root.size = sized(300, 200);
             root.justify_content = JustifyContent::End;
             root.align_items = AlignItems::End;
             root.padding = all_sides(8);
             NodeId child = fixed_leaf(tree, 60, 20);
             return Scene { tree.new_with_children(root, { child }), { { child, { 232, 172, 60, 20 } } } };
         } },
        { "align-self overrides the container's alignment", 100, 100, [](Tree& tree) {
             Style root = row_style();
             root.size = sized(100, 100);
             root.align_items = AlignItems::Start;
             Style self;
             self.size = { px(10), automatic() };
             self.align_self = AlignItems::Stretch;
             NodeId stretched = tree.new_leaf(self);
             self.size = sized(10, 10);
             self.align_self = AlignItems::End;
             NodeId ended = tree.new_leaf(self);
             return Scene { tree.new_with_children(root, { stretched, ended }),
                 { { stretched, { 0, 0, 10, 100 } }, { ended, { 10, 90, 10, 10 } } } };
         } },
        { "space-between puts the spare room between items", 300, 20, [](Tree& tree) {
             Style root = row_style();
             root.size = sized(300, 20);
             root.justify_content = JustifyContent::SpaceBetween;
             NodeId a = fixed_leaf(tree, 50, 20);
             NodeId b = fixed_leaf(tree, 50, 20);
             NodeId c = fixed_leaf(tree, 50, 20);
             return Scene { tree.new_with_children(root, { a, b, c }),
                 { { a, { 0, 0, 50, 20 } }, { b, { 125, 0, 50, 20 } }, { c, { 250, 0, 50, 20 } } } };
         } },
        { "an auto-sized row fits its content", 500, 100, [](Tree& tree) {
             Style inner = row_style();
             inner.gap = { 8, 0 };
             inner.padding = { 16, 9, 16, 9 };
             inner.align_items = AlignItems::Center;
             NodeId icon = fixed_leaf(tree, 16, 16);
             NodeId label = fixed_leaf(tree, 40, 18);
             NodeId button = tree.new_with_children(inner, { icon, label });
             Style root = column_style();
             root.size = sized(500, 100);
             root.align_items = AlignItems::Start;
             return Scene { tree.new_with_children(root, { button }),
                 { { button, { 0, 0, 96, 36 } }, { icon, { 16, 10, 16, 16 } }, { label, { 40, 9, 40, 18 } } } };
         } },
        { "absolute overlay covers its parent and aligns its badge to the corner", 300, 169, [](Tree& tree) {
             NodeId thumbnail = fixed_leaf(tree, 300, 169);
             NodeId badge = fixed_leaf(tree, 60, 20);
             Style overlay = column_style();
             overlay.position = Position::Absolute;
             overlay.inset = { px(0), px(0), px(0), px(0) };
             overlay.size = { percent(1), percent(1) };
             overlay.padding = all_sides(8);
             overlay.align_items = AlignItems::End;
             overlay.justify_content = JustifyContent::End;
             NodeId cover = tree.new_with_children(overlay, { badge });
             Style block = column_style();
             block.size = { percent(1), px(169) };
             NodeId holder = tree.new_with_children(block, { thumbnail, cover });
             Style root = column_style();
             root.size = sized(300, 400);
             return Scene { tree.new_with_children(root, { holder }),
                 { { holder, { 0, 0, 300, 169 } }, { thumbnail, { 0, 0, 300, 169 } }, { cover, { 0, 0, 300, 169 } },
                     { badge, { 232, 141, 60, 20 } } } };
         } },
        { "absolute child with zero insets and automatic size spans the padding box", 200, 100, [](Tree& tree) {
             Style overlay;
             overlay.position = Position::Absolute;
             overlay.inset = { px(0), px(0), px(0), px(0) };
             NodeId cover = tree.new_leaf(overlay);
             NodeId flow = fixed_leaf(tree, 50, 50);
             Style root = row_style();
             root.size = sized(200, 100);
             root.padding = all_sides(10);
             return Scene { tree.new_with_children(root, { cover, flow }), { { cover, { 0, 0, 200, 100 } }, { flow, { 10, 10, 50, 50 } } } };
         } },
        { "overfull centred content overflows on both sides", 100, 100, [](Tree& tree) {
             Style root = row_style();
             root.size = sized(100, 100);
             root.justify_content = JustifyContent::Center;
             Style wide;
             wide.size = sized(160, 20);
             wide.flex_shrink = 0;
             NodeId child = tree.new_leaf(wide);
             return Scene { tree.new_with_children(root, { child }), { { child, { -30, 0, 160, 20 } } } };
         } },
    };
    return cases;
}

class FlexCases : public ::testing::TestWithParam<std::size_t> { };

TEST_P(FlexCases, boxes_match)
{
    FlexCase const& scenario = flex_cases()[GetParam()];
    Tree tree;
    Scene scene = scenario.build(tree);
    tree.compute_layout(scene.root, AvailableSpace::definite(scenario.width), AvailableSpace::definite(scenario.height));
    for (Expectation const& expected : scene.boxes)
        expect_box(tree, expected.node, expected.box, scenario.name);
}

INSTANTIATE_TEST_SUITE_P(Layout, FlexCases, ::testing::Range<std::size_t>(0, flex_cases().size()),
    [](auto const& info) {
        std::string name = flex_cases()[info.param].name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

// Intrinsic widths: under max-content a wrapping row keeps everything on one line; under
// min-content every item takes a line of its own, so the row is as wide as its widest item.
TEST(FlexLayout, intrinsic_widths_of_a_wrapping_row)
{
    Tree tree;
    Style chips = row_style();
    chips.flex_wrap = FlexWrap::Wrap;
    chips.gap = { 8, 8 };
    chips.padding = { 4, 0, 6, 0 };
    NodeId a = fixed_leaf(tree, 60, 20);
    NodeId b = fixed_leaf(tree, 90, 20);
    NodeId c = fixed_leaf(tree, 70, 20);
    NodeId row = tree.new_with_children(chips, { a, b, c });

    tree.compute_layout(row, AvailableSpace::max_content(), AvailableSpace::max_content());
    expect_box(tree, row, { 0, 0, 4 + 60 + 8 + 90 + 8 + 70 + 6, 20 }, "max-content");
    tree.compute_layout(row, AvailableSpace::min_content(), AvailableSpace::max_content());
    expect_box(tree, row, { 0, 0, 4 + 90 + 6, 20 * 3 + 8 * 2 }, "min-content");
    expect_box(tree, c, { 4, 56, 70, 20 }, "last chip on the third line");
}

// An automatic height is the content's, never squeezed to the height a parent happens to offer.
TEST(FlexLayout, a_column_of_automatic_height_is_not_fitted_to_the_offered_height)
{
    Tree tree;
    Style item;
    item.size = { px(50), px(60) };
    NodeId first = tree.new_leaf(item);
    NodeId second = tree.new_leaf(item);
    NodeId column = tree.new_with_children(column_style(), { first, second });
    Style root = row_style();
    root.size = sized(200, 100);
    root.align_items = AlignItems::Start;
    NodeId node = tree.new_with_children(root, { column });
    tree.compute_layout(node, AvailableSpace::definite(200), AvailableSpace::definite(100));
    expect_box(tree, column, { 0, 0, 50, 120 }, "column");
    expect_box(tree, second, { 0, 60, 50, 60 }, "second item keeps its height");
}

TEST(FlexLayout, nested_columns_stretch_to_the_root_width)
{
    Tree tree;
    Style card = column_style();
    card.padding = all_sides(6);
    card.gap = { 0, 9 };
    NodeId thumbnail = fixed_leaf(tree, 0, 169, {});
    Style thumb;
    thumb.size = { percent(1), px(169) };
    tree.set_style(thumbnail, thumb);
    NodeId meta = fixed_leaf(tree, 10, 36);
    NodeId node = tree.new_with_children(card, { thumbnail, meta });
    Style root = column_style();
    root.size = { percent(1), percent(1) };
    NodeId top = tree.new_with_children(root, { node });
    tree.compute_layout(top, AvailableSpace::definite(320), AvailableSpace::definite(600));
    expect_box(tree, top, { 0, 0, 320, 600 }, "root");
    expect_box(tree, node, { 0, 0, 320, 226 }, "card");
    expect_box(tree, thumbnail, { 6, 6, 308, 169 }, "thumbnail");
    expect_box(tree, meta, { 6, 184, 10, 36 }, "meta");
}

}
