#include "kaso/ui/layout/Tree.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

// A page-sized tree: a window column holding a clipping viewport, a block page column with a
// section header and an auto-fill grid of cards. Each card is a column of a thumbnail and a
// meta row (avatar beside a column of three text leaves), shaped like the Home page's cards.

using namespace kaso::layout;

namespace {

int s_measure_calls = 0;

// Stands in for a text leaf: fixed glyph advance, greedy wrapping by words.
MeasureFunction text_measure(int characters, float font_size)
{
    return [characters, font_size](Size<std::optional<float>> known, Size<AvailableSpace> available) {
        ++s_measure_calls;
        float advance = font_size * 0.55f;
        float line_height = font_size * 1.3f;
        float full = static_cast<float>(characters) * advance;
        float word = 6.0f * advance;
        float limit = full;
        if (known.width)
            limit = *known.width;
        else if (available.width.is_definite())
            limit = available.width.value();
        else if (available.width.is_min_content())
            limit = word;
        limit = std::max(limit, word);
        float lines = std::ceil(full / limit);
        return Size<float> { known.width ? *known.width : std::min(full, limit), lines * line_height };
    };
}

Style column()
{
    Style style;
    style.flex_direction = FlexDirection::Column;
    style.flex_shrink = 0;
    style.align_items = AlignItems::Start;
    return style;
}

Style row()
{
    Style style;
    style.flex_shrink = 0;
    style.align_items = AlignItems::Center;
    return style;
}

NodeId card(Tree& tree, int index)
{
    Style thumb;
    thumb.size = { Dimension::percent(1), Dimension::px(169) };
    NodeId thumbnail = tree.new_leaf(thumb);

    Style avatar_style;
    avatar_style.size = { Dimension::px(36), Dimension::px(36) };
    NodeId avatar = tree.new_leaf(avatar_style);

    Style name_holder = row();
    name_holder.flex_grow = 1;
    name_holder.flex_basis = Dimension::px(0);
    NodeId name = tree.new_with_children(name_holder, { tree.new_leaf_with_measure(Style {}, text_measure(14 + index % 9, 12.5f)) });
    Style creator_style = row();
    creator_style.size = { Dimension::percent(1), Dimension::automatic() };
    creator_style.gap = { 5, 5 };
    NodeId creator = tree.new_with_children(creator_style, { name });

    Style text_style = column();
    text_style.gap = { 3, 3 };
    text_style.flex_grow = 1;
    text_style.flex_basis = Dimension::px(0);
    NodeId text = tree.new_with_children(text_style,
        { tree.new_leaf_with_measure(Style {}, text_measure(40 + index % 37, 14.5f)), creator,
            tree.new_leaf_with_measure(Style {}, text_measure(24, 12.5f)) });

    Style meta_style = row();
    meta_style.size = { Dimension::percent(1), Dimension::automatic() };
    meta_style.gap = { 10, 10 };
    meta_style.align_items = AlignItems::Start;
    NodeId meta = tree.new_with_children(meta_style, { avatar, text });

    Style card_style = column();
    card_style.size = { Dimension::percent(1), Dimension::automatic() };
    card_style.gap = { 9, 9 };
    card_style.padding = { 6, 6, 6, 6 };
    return tree.new_with_children(card_style, { thumbnail, meta });
}

NodeId page(Tree& tree, int cards)
{
    std::vector<NodeId> items;
    for (int i = 0; i < cards; ++i)
        items.push_back(card(tree, i));
    Style grid;
    grid.display = Display::Grid;
    grid.grid_min_column = 300;
    grid.gap = { 18, 18 };
    grid.size = { Dimension::percent(1), Dimension::automatic() };
    grid.align_items = AlignItems::Start;
    NodeId grid_node = tree.new_with_children(grid, items);

    Style header_style = row();
    header_style.size = { Dimension::percent(1), Dimension::automatic() };
    header_style.gap = { 10, 10 };
    Style spacer;
    spacer.flex_grow = 1;
    spacer.flex_basis = Dimension::px(0);
    NodeId header = tree.new_with_children(header_style,
        { tree.new_leaf(Style { .size = { Dimension::px(22), Dimension::px(22) } }),
            tree.new_leaf_with_measure(Style {}, text_measure(4, 21)), tree.new_leaf(spacer),
            tree.new_leaf_with_measure(Style {}, text_measure(30, 13)) });

    Style page_style = column();
    page_style.display = Display::Block;
    page_style.size = { Dimension::percent(1), Dimension::automatic() };
    page_style.padding = { 24, 20, 24, 28 };
    page_style.gap = { 22, 22 };
    NodeId page_column = tree.new_with_children(page_style, { header, grid_node });

    Style viewport = column();
    viewport.align_items = AlignItems::Stretch;
    viewport.size = { Dimension::percent(1), Dimension::percent(1) };
    viewport.overflow = { Overflow::Hidden, Overflow::Hidden };
    NodeId scroll = tree.new_with_children(viewport, { page_column });

    Style window = column();
    window.align_items = AlignItems::Stretch;
    window.size = { Dimension::percent(1), Dimension::percent(1) };
    return tree.new_with_children(window, { scroll });
}

// Building the tree and solving it from scratch, as after a structural rebuild that reuses the
// cleared tree (its storage stays allocated).
void rebuild_and_solve(benchmark::State& state)
{
    auto cards = static_cast<int>(state.range(0));
    s_measure_calls = 0;
    Tree tree;
    for (auto _ : state) {
        tree.clear();
        NodeId root = page(tree, cards);
        tree.compute_layout(root, AvailableSpace::definite(1280), AvailableSpace::definite(800));
        benchmark::DoNotOptimize(tree.layout(root));
    }
    state.counters["measure_calls"] = benchmark::Counter(static_cast<double>(s_measure_calls) / static_cast<double>(state.iterations()));
}
BENCHMARK(rebuild_and_solve)->Arg(80)->Arg(200)->Unit(benchmark::kMicrosecond);

// The same into a brand-new tree each time, paying for fresh memory too.
void build_and_solve(benchmark::State& state)
{
    auto cards = static_cast<int>(state.range(0));
    s_measure_calls = 0;
    for (auto _ : state) {
        Tree tree;
        NodeId root = page(tree, cards);
        tree.compute_layout(root, AvailableSpace::definite(1280), AvailableSpace::definite(800));
        benchmark::DoNotOptimize(tree.layout(root));
    }
    state.counters["measure_calls"] = benchmark::Counter(static_cast<double>(s_measure_calls) / static_cast<double>(state.iterations()));
}
BENCHMARK(build_and_solve)->Arg(80)->Arg(200)->Unit(benchmark::kMicrosecond);

// Rebuilding the same tree without solving, to separate construction from the solve above.
void rebuild_only(benchmark::State& state)
{
    auto cards = static_cast<int>(state.range(0));
    Tree tree;
    for (auto _ : state) {
        tree.clear();
        benchmark::DoNotOptimize(page(tree, cards));
    }
}
BENCHMARK(rebuild_only)->Arg(80)->Arg(200)->Unit(benchmark::kMicrosecond);

// A resize: every solve sees a new window width, so no cached answer applies at the top.
void resize_solve(benchmark::State& state)
{
    Tree tree;
    NodeId root = page(tree, static_cast<int>(state.range(0)));
    float width = 1000;
    for (auto _ : state) {
        width = width >= 1600 ? 1000 : width + 1;
        tree.compute_layout(root, AvailableSpace::definite(width), AvailableSpace::definite(800));
        benchmark::DoNotOptimize(tree.layout(root));
    }
}
BENCHMARK(resize_solve)->Arg(80)->Arg(200)->Unit(benchmark::kMicrosecond);

// Solving an unchanged tree again: the cached path, which still re-rounds every box.
void clean_resolve(benchmark::State& state)
{
    Tree tree;
    NodeId root = page(tree, static_cast<int>(state.range(0)));
    tree.compute_layout(root, AvailableSpace::definite(1280), AvailableSpace::definite(800));
    for (auto _ : state) {
        tree.compute_layout(root, AvailableSpace::definite(1280), AvailableSpace::definite(800));
        benchmark::DoNotOptimize(tree.layout(root));
    }
}
BENCHMARK(clean_resolve)->Arg(80)->Arg(200)->Unit(benchmark::kMicrosecond);

}
