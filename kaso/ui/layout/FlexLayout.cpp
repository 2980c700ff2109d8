#include "kaso/ui/layout/FlexItem.h"
#include "kaso/ui/layout/Placement.h"
#include "kaso/ui/layout/Resolve.h"
#include "kaso/ui/layout/Solver.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

// The flexbox algorithm of CSS Flexible Box Layout, section 9, for the subset our widgets use:
// one direction (no reverse), optional wrapping, grow / shrink / basis, align-items and
// align-self, justify-content and align-content's default (stretch), gaps, and no margins.

namespace kaso::layout::detail {

namespace {

// Hypothetical main sizes within this distance of the line's space still fit on it, so sums
// that differ from the space only by float noise do not wrap.
constexpr float s_wrap_tolerance = 0.001f;

class FlexAlgorithm final : public FlexLimits {
public:
    FlexAlgorithm(Solver& solver, NodeId id, LayoutInput const& input)
        : m_solver(solver)
        , m_id(id)
        , m_input(input)
        , m_style(solver.node(id).style)
        , m_row(m_style.flex_direction == FlexDirection::Row)
        , m_wrap(m_style.flex_wrap == FlexWrap::Wrap)
        , m_box(resolve_box(m_style, input.parent_size))
        , m_outer(known_outer_size(m_box, input))
        , m_inner(known_content_size(m_box, m_outer))
        , m_space(content_space(m_box, m_outer, input))
    {
        m_main_gap = m_row ? m_style.gap.width : m_style.gap.height;
        m_cross_gap = m_row ? m_style.gap.height : m_style.gap.width;
    }

    LayoutOutput run()
    {
        collect_items();
        collect_lines();
        resolve_main_size();
        for (FlexLine const& line : m_lines)
            resolve_flexible_lengths(std::span<FlexItem>(m_items).subspan(line.begin, line.end - line.begin), m_inner_main - line_gaps(line), *this);
        resolve_cross_sizes();
        Size<float> size = from_axes(m_main_size, m_cross_size, m_row);
        if (m_input.mode == RunMode::ComputeSize)
            return { size, size };

        align_and_place();
        place_absolute_children(m_solver, m_id, size,
            { m_row, m_style.justify_content.value_or(JustifyContent::Start), m_style.align_items.value_or(AlignItems::Stretch) });
        return { size, content_extent(m_solver, m_id, size) };
    }

private:
    float padding_main_start() const { return m_row ? m_style.padding.left : m_style.padding.top; }
    float padding_cross_start() const { return m_row ? m_style.padding.top : m_style.padding.left; }
    float clamp_main(ResolvedBox const& box, float value) const { return m_row ? box.clamp_width(value) : box.clamp_height(value); }
    float clamp_cross(ResolvedBox const& box, float value) const { return m_row ? box.clamp_height(value) : box.clamp_width(value); }

    AvailableSpace cross_space(FlexItem const& item) const
    {
        return item.cross_known ? AvailableSpace::definite(*item.cross_known) : cross_of(m_space, m_row);
    }

    void collect_items()
    {
        AlignItems container_align = m_style.align_items.value_or(AlignItems::Stretch);
        std::optional<float> inner_main = main_of(m_inner, m_row);
        std::optional<float> inner_cross = cross_of(m_inner, m_row);

        for (NodeId child_id : m_solver.node(m_id).children) {
            Style const& child = m_solver.node(child_id).style;
            if (child.position == Position::Absolute)
                continue;
            FlexItem item;
            item.id = child_id;
            item.box = resolve_box(child, m_inner);
            item.grow = child.flex_grow;
            item.shrink = child.flex_shrink;
            item.align = child.align_self.value_or(container_align);
            item.clips_main = main_of(child.overflow, m_row) != Overflow::Visible;
            item.cross_known = cross_of(item.box.size, m_row);
            // A stretched item of a single line whose cross size is definite takes that size as
            // definite, so its content (wrapping text in a column) is sized against it.
            if (!item.cross_known && item.align == AlignItems::Stretch && !m_wrap && inner_cross)
                item.cross_known = clamp_cross(item.box, *inner_cross);

            std::optional<float> basis = resolve(child.flex_basis, inner_main);
            item.base_from_basis = basis.has_value();
            if (!basis)
                basis = main_of(item.box.size, m_row);
            if (basis) {
                item.base = *basis;
            } else {
                // Content-sized: the max-content size, or the min-content one while the
                // container itself is being sized under a min-content constraint.
                AvailableSpace main_space = main_of(m_space, m_row).is_min_content() ? AvailableSpace::min_content() : AvailableSpace::max_content();
                Size<float> measured = m_solver.measure(child_id, from_axes<std::optional<float>>(std::nullopt, item.cross_known, m_row),
                    m_inner, from_axes(main_space, cross_space(item), m_row));
                item.base = main_of(measured, m_row);
                item.base_cross = cross_of(measured, m_row);
            }
            item.base = std::max(item.base, main_of(item.box.padding, m_row));
            m_items.push_back(item);
        }
        for (FlexItem& item : m_items)
            item.hypothetical = clamp_to_limits(item, item.base, item.base_from_basis);
    }

    // The automatic minimum main size of CSS: the smaller of the item's specified size and its
    // min-content size, 0 for an item that clips. It never exceeds a base taken from the main
    // size or the content, so it can only bind on a shrinking line or below a flex-basis; other
    // callers pass `needed` false and it stays unmeasured.
    float lower_limit(FlexItem& item, bool needed)
    {
        float padding = main_of(item.box.padding, m_row);
        if (auto explicit_min = main_of(item.box.min, m_row))
            return std::max(*explicit_min, padding);
        if (item.clips_main || !needed)
            return padding;
        if (!item.automatic_min) {
            Size<float> measured = m_solver.measure_content(item.id, from_axes<std::optional<float>>(std::nullopt, item.cross_known, m_row),
                m_inner, from_axes(AvailableSpace::min_content(), cross_space(item), m_row));
            float content = main_of(measured, m_row);
            if (auto specified = main_of(item.box.size, m_row))
                content = std::min(content, *specified);
            if (auto max = main_of(item.box.max, m_row))
                content = std::min(content, *max);
            item.automatic_min = content;
        }
        return std::max(*item.automatic_min, padding);
    }

    float clamp_to_limits(FlexItem& item, float value, bool content_min_needed) override
    {
        if (auto max = main_of(item.box.max, m_row))
            value = std::min(value, *max);
        return std::max(value, lower_limit(item, content_min_needed));
    }

    // The main space lines break in. A row's is the width on offer; a column's is only its own
    // height or maximum height, because an automatic height grows with the content rather than
    // fitting the space a parent offers.
    AvailableSpace line_space() const
    {
        if (auto inner_main = main_of(m_inner, m_row))
            return AvailableSpace::definite(*inner_main);
        if (m_row)
            return m_space.width;
        if (m_box.max.height)
            return AvailableSpace::definite(*m_box.max.height - m_box.padding.height);
        return m_space.height.is_min_content() ? AvailableSpace::min_content() : AvailableSpace::max_content();
    }

    void collect_lines()
    {
        AvailableSpace space = line_space();

        FlexLine line;
        float used = 0.0f;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            float size = m_items[i].hypothetical;
            bool breaks = false;
            if (m_wrap && i > line.begin) {
                if (space.is_min_content())
                    breaks = true;
                else if (space.is_definite())
                    breaks = used + m_main_gap + size > space.value() + s_wrap_tolerance;
            }
            if (breaks) {
                line.end = i;
                m_lines.push_back(line);
                line = FlexLine { i, i, 0.0f };
                used = 0.0f;
            }
            used += (i > line.begin ? m_main_gap : 0.0f) + size;
        }
        line.end = m_items.size();
        m_lines.push_back(line);
    }

    float line_gaps(FlexLine const& line) const
    {
        return line.end > line.begin ? m_main_gap * static_cast<float>(line.end - line.begin - 1) : 0.0f;
    }

    void resolve_main_size()
    {
        if (auto outer_main = main_of(m_outer, m_row))
            m_main_size = *outer_main;
        else
            m_main_size = clamp_main(m_box, (m_row ? intrinsic_row_width() : longest_line()) + main_of(m_box.padding, m_row));
        m_inner_main = std::max(m_main_size - main_of(m_box.padding, m_row), 0.0f);
    }

    // A column's automatic height: its longest line of hypothetical sizes (it grows with its
    // content rather than fitting the height on offer, see line_space).
    float longest_line() const
    {
        float longest = 0.0f;
        for (FlexLine const& line : m_lines) {
            float used = line_gaps(line);
            for (std::size_t i = line.begin; i < line.end; ++i)
                used += m_items[i].hypothetical;
            longest = std::max(longest, used);
        }
        return longest;
    }

    // A row's automatic width, as CSS sizes a flex container's intrinsic width: the sum of its
    // items' max-content contributions, fitted into a definite space but never below the sum
    // of their min-content contributions (the largest of them when the row wraps).
    float intrinsic_row_width()
    {
        float gaps = m_items.empty() ? 0.0f : m_main_gap * static_cast<float>(m_items.size() - 1);
        auto min_content = [&] {
            float total = m_wrap ? 0.0f : gaps;
            for (FlexItem& item : m_items) {
                float contribution = content_contribution(item, AvailableSpace::min_content());
                total = m_wrap ? std::max(total, contribution) : total + contribution;
            }
            return total;
        };
        AvailableSpace space = m_space.width;
        if (space.is_min_content())
            return min_content();
        float max_content = gaps;
        for (FlexItem& item : m_items)
            max_content += content_contribution(item, AvailableSpace::max_content());
        if (!space.is_definite() || max_content <= space.value())
            return max_content;
        return std::max(min_content(), space.value());
    }

    // An item's min-content or max-content contribution to a row's width: its content's size
    // under that constraint, at least its preferred width, bounded by its flex base size as far
    // as it cannot flex, within its minimum and maximum.
    float content_contribution(FlexItem& item, AvailableSpace constraint)
    {
        std::optional<float> preferred = main_of(item.box.size, m_row);
        float content = 0.0f;
        if (constraint.is_max_content() && !item.base_from_basis && !preferred) {
            content = item.base; // already measured as the max-content size
        } else {
            Size<float> measured = m_solver.measure_content(item.id, from_axes<std::optional<float>>(std::nullopt, item.cross_known, m_row),
                m_inner, from_axes(constraint, cross_space(item), m_row));
            content = main_of(measured, m_row);
        }
        float contribution = std::max(content, preferred.value_or(0.0f));
        // An item that cannot grow contributes no more than its base, one that cannot shrink no less.
        if (item.grow <= 0.0f)
            contribution = std::min(contribution, item.base);
        if (item.shrink <= 0.0f)
            contribution = std::max(contribution, item.base);
        if (auto max = main_of(item.box.max, m_row))
            contribution = std::min(contribution, *max);
        if (auto min = main_of(item.box.min, m_row))
            contribution = std::max(contribution, *min);
        return std::max(contribution, main_of(item.box.padding, m_row));
    }

    void resolve_cross_sizes()
    {
        Size<std::optional<float>> inner_for_items = from_axes<std::optional<float>>(m_inner_main, cross_of(m_inner, m_row), m_row);
        for (FlexItem& item : m_items) {
            if (item.cross_known) {
                item.cross = *item.cross_known;
                continue;
            }
            if (item.base_cross && item.target == item.base) {
                item.cross = clamp_cross(item.box, *item.base_cross);
                continue;
            }
            Size<float> measured = m_solver.measure(item.id, from_axes<std::optional<float>>(item.target, std::nullopt, m_row),
                inner_for_items, from_axes(AvailableSpace::definite(m_inner_main), cross_of(m_space, m_row), m_row));
            item.cross = clamp_cross(item.box, cross_of(measured, m_row));
        }

        std::optional<float> outer_cross = cross_of(m_outer, m_row);
        float cross_padding = cross_of(m_box.padding, m_row);
        for (FlexLine& line : m_lines) {
            if (!m_wrap && outer_cross) {
                line.cross = std::max(*outer_cross - cross_padding, 0.0f);
                continue;
            }
            line.cross = 0.0f;
            for (std::size_t i = line.begin; i < line.end; ++i)
                line.cross = std::max(line.cross, m_items[i].cross);
            if (!m_wrap) {
                std::optional<float> min = cross_of(m_box.min, m_row);
                std::optional<float> max = cross_of(m_box.max, m_row);
                line.cross = clamp(line.cross, min ? std::optional<float>(*min - cross_padding) : std::nullopt,
                    max ? std::optional<float>(*max - cross_padding) : std::nullopt);
                line.cross = std::max(line.cross, 0.0f);
            }
        }

        float lines_total = m_cross_gap * static_cast<float>(m_lines.size() - 1);
        for (FlexLine const& line : m_lines)
            lines_total += line.cross;
        m_cross_size = outer_cross ? *outer_cross : clamp_cross(m_box, lines_total + cross_padding);
        m_inner_cross = std::max(m_cross_size - cross_padding, 0.0f);

        // align-content: normal stretches the lines of a multi-line container over its cross size.
        float free = m_inner_cross - lines_total;
        if (m_wrap && free > 0.0f) {
            float share = free / static_cast<float>(m_lines.size());
            for (FlexLine& line : m_lines)
                line.cross += share;
        }
    }

    void align_and_place()
    {
        JustifyContent justify = m_style.justify_content.value_or(JustifyContent::Start);
        Size<std::optional<float>> inner_for_items = from_axes<std::optional<float>>(m_inner_main, m_inner_cross, m_row);
        Size<AvailableSpace> item_space = from_axes(AvailableSpace::definite(m_inner_main), AvailableSpace::definite(m_inner_cross), m_row);

        float line_offset = padding_cross_start();
        for (FlexLine const& line : m_lines) {
            std::size_t count = line.end - line.begin;
            float free = m_inner_main - line_gaps(line);
            for (std::size_t i = line.begin; i < line.end; ++i)
                free -= m_items[i].target;

            float position = padding_main_start();
            float between = m_main_gap;
            switch (justify) {
            case JustifyContent::Start:
                break;
            case JustifyContent::End:
                position += free;
                break;
            case JustifyContent::Center:
                position += free / 2.0f;
                break;
            case JustifyContent::SpaceBetween:
                if (count > 1 && free > 0.0f)
                    between += free / static_cast<float>(count - 1);
                break;
            }

            for (std::size_t i = line.begin; i < line.end; ++i) {
                FlexItem& item = m_items[i];
                bool stretches = item.align == AlignItems::Stretch && !cross_of(item.box.size, m_row);
                if (stretches)
                    item.cross = clamp_cross(item.box, line.cross);
                float cross_free = line.cross - item.cross;
                float cross_offset = item.align == AlignItems::End ? cross_free
                    : item.align == AlignItems::Center             ? cross_free / 2.0f
                                                                   : 0.0f;
                Size<float> offset = from_axes(position, line_offset + cross_offset, m_row);
                m_solver.place(item.id, from_axes(item.target, item.cross, m_row), inner_for_items, item_space, offset.width, offset.height);
                position += item.target + between;
            }
            line_offset += line.cross + m_cross_gap;
        }
    }

    Solver& m_solver;
    NodeId m_id;
    LayoutInput const& m_input;
    Style const& m_style;
    bool m_row;
    bool m_wrap;
    ResolvedBox m_box;
    Size<std::optional<float>> m_outer;
    Size<std::optional<float>> m_inner {};
    Size<AvailableSpace> m_space {};
    float m_main_gap { 0.0f };
    float m_cross_gap { 0.0f };
    std::vector<FlexItem> m_items;
    std::vector<FlexLine> m_lines;
    float m_main_size { 0.0f };
    float m_inner_main { 0.0f };
    float m_cross_size { 0.0f };
    float m_inner_cross { 0.0f };
};

}

LayoutOutput compute_flex(Solver& solver, NodeId id, LayoutInput const& input)
{
    return FlexAlgorithm(solver, id, input).run();
}

}
