#include "kaso/ui/layout/Placement.h"
#include "kaso/ui/layout/Resolve.h"
#include "kaso/ui/layout/Solver.h"

#include <algorithm>
#include <cmath>
#include <vector>

// The one grid form our widgets use: grid-template-columns repeat(auto-fill, minmax(M px, 1fr))
// with automatic rows, items auto-placed row by row. Every column has the same width, so the
// track sizing of CSS Grid reduces to choosing the column count and sharing the width.

namespace kaso::layout::detail {

namespace {

// CSS floors the repeated track at a small size when counting repetitions, so a zero minimum
// cannot ask for infinitely many columns.
constexpr float s_minimum_track = 1.0f;
// A bound on the repetitions for absurd widths; past it columns simply grow wider.
constexpr float s_maximum_columns = 10000.0f;
// Widths this close to fitting one more column still fit it, so float noise in a width
// computed upstream (899.9999 for 900) does not drop a column.
constexpr float s_fit_tolerance = 0.001f;

struct Columns {
    std::size_t count { 1 };
    float width { 0.0f };
};

// The largest count whose minimum widths and gaps fit the width (at least one), each column
// then taking an equal share of the width (never below the minimum).
Columns fit_columns(float inner_width, float minimum, float gap)
{
    float repetitions = std::floor((inner_width + gap + s_fit_tolerance) / (std::max(minimum, s_minimum_track) + gap));
    repetitions = std::clamp(repetitions, 1.0f, s_maximum_columns);
    auto count = static_cast<std::size_t>(repetitions);
    float share = (inner_width - gap * (repetitions - 1.0f)) / repetitions;
    return { count, std::max(minimum, share) };
}

// The smallest count whose minimum widths and gaps reach `required` (at least one).
std::size_t columns_to_reach(float required, float minimum, float gap)
{
    float repetitions = std::ceil((required + gap) / (std::max(minimum, s_minimum_track) + gap));
    return static_cast<std::size_t>(std::clamp(repetitions, 1.0f, s_maximum_columns));
}

}

LayoutOutput compute_grid(Solver& solver, NodeId id, LayoutInput const& input)
{
    Node const& container = solver.node(id);
    Style const& style = container.style;
    ResolvedBox box = resolve_box(style, input.parent_size);
    Size<std::optional<float>> outer = known_outer_size(box, input);
    Size<AvailableSpace> space = content_space(box, outer, input);
    float minimum = style.grid_min_column.value_or(0.0f);
    float column_gap = style.gap.width;
    float row_gap = style.gap.height;
    bool auto_fill = style.grid_min_column.has_value();

    std::vector<NodeId> items;
    for (NodeId child_id : container.children) {
        if (solver.node(child_id).style.position != Position::Absolute)
            items.push_back(child_id);
    }

    // Columns. A definite width (the container's own, or the space it fills as a block-level
    // box) fixes the count; otherwise the count comes from the maximum or minimum width, or is
    // one, and the columns take the items' intrinsic widths (min-content keeps the minimum).
    Columns columns;
    float width = 0.0f;
    if (outer.width || space.width.is_definite()) {
        width = outer.width ? *outer.width : box.clamp_width(space.width.value() + box.padding.width);
        float inner_width = std::max(width - box.padding.width, 0.0f);
        columns = auto_fill ? fit_columns(inner_width, minimum, column_gap) : Columns { 1, inner_width };
    } else {
        if (auto_fill && box.max.width)
            columns.count = fit_columns(std::max(*box.max.width - box.padding.width, 0.0f), minimum, column_gap).count;
        else if (auto_fill && box.min.width)
            columns.count = columns_to_reach(*box.min.width - box.padding.width, minimum, column_gap);
        columns.width = minimum;
        if (space.width.is_max_content() || !auto_fill) {
            for (NodeId child_id : items) {
                Size<float> measured = solver.measure(child_id, resolve_box(solver.node(child_id).style, {}).size, {}, { space.width, AvailableSpace::max_content() });
                columns.width = std::max(columns.width, measured.width);
            }
        }
        auto count = static_cast<float>(columns.count);
        width = box.clamp_width(columns.width * count + column_gap * (count - 1.0f) + box.padding.width);
    }

    // Rows: each as tall as its tallest item at the column width.
    std::size_t row_count = (items.size() + columns.count - 1) / columns.count;
    std::vector<float> rows(row_count, 0.0f);
    std::vector<Size<float>> item_sizes(items.size());
    Size<std::optional<float>> cell { columns.width, std::nullopt };
    for (std::size_t i = 0; i < items.size(); ++i) {
        ResolvedBox item_box = resolve_box(solver.node(items[i]).style, cell);
        float item_width = item_box.size.width ? *item_box.size.width : item_box.clamp_width(columns.width);
        float item_height = item_box.size.height
            ? *item_box.size.height
            : item_box.clamp_height(solver.measure(items[i], { item_width, std::nullopt }, cell,
                { AvailableSpace::definite(columns.width), AvailableSpace::max_content() }).height);
        item_sizes[i] = { item_width, item_height };
        float& row = rows[i / columns.count];
        row = std::max(row, item_height);
    }
    float rows_total = row_count > 0 ? row_gap * static_cast<float>(row_count - 1) : 0.0f;
    for (float row : rows)
        rows_total += row;

    float height = outer.height ? *outer.height : box.clamp_height(rows_total + box.padding.height);
    Size<float> size { width, height };
    if (input.mode == RunMode::ComputeSize)
        return { size, size };

    // align-content: normal stretches automatic rows over a taller container.
    float free = height - box.padding.height - rows_total;
    if (free > 0.0f && row_count > 0) {
        for (float& row : rows)
            row += free / static_cast<float>(row_count);
    }

    AlignItems container_align = style.align_items.value_or(AlignItems::Stretch);
    float row_top = style.padding.top;
    for (std::size_t r = 0; r < row_count; ++r) {
        for (std::size_t c = 0; c < columns.count; ++c) {
            std::size_t i = r * columns.count + c;
            if (i >= items.size())
                break;
            Style const& item_style = solver.node(items[i]).style;
            ResolvedBox item_box = resolve_box(item_style, { columns.width, rows[r] });
            AlignItems align = item_style.align_self.value_or(container_align);
            Size<float> item_size = item_sizes[i];
            if (align == AlignItems::Stretch && !item_box.size.height)
                item_size.height = item_box.clamp_height(rows[r]);
            float cross_free = rows[r] - item_size.height;
            float offset = align == AlignItems::End ? cross_free
                : align == AlignItems::Center       ? cross_free / 2.0f
                                                    : 0.0f;
            float x = style.padding.left + static_cast<float>(c) * (columns.width + column_gap);
            solver.place(items[i], item_size, { columns.width, rows[r] },
                { AvailableSpace::definite(columns.width), AvailableSpace::definite(rows[r]) }, x, row_top + offset);
        }
        row_top += rows[r] + row_gap;
    }
    place_absolute_children(solver, id, size, { .row = true, .justify = JustifyContent::Start, .align_items = AlignItems::Start });
    return { size, content_extent(solver, id, size) };
}

}
