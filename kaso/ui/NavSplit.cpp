#include "kaso/ui/NavSplit.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "kaso/ui/ContainerState.h"
#include "kaso/ui/Scene.h"

namespace kaso::ui {

namespace {

// The width each split had when last placed, by element id.
std::map<std::string, double>& remembered_widths()
{
    thread_local std::map<std::string, double> widths;
    return widths;
}

float sane(float value, float fallback) { return std::isfinite(value) && value >= 0 ? value : fallback; }

}

NavSplit::NavSplit(WidgetBox rail, WidgetBox content)
    : m_rail(std::move(rail))
    , m_content(std::move(content))
{
}

NavSplit&& NavSplit::narrow_threshold(float width) &&
{
    m_threshold = sane(width, 0);
    return std::move(*this);
}

NavSplit&& NavSplit::rail_width(float width) &&
{
    m_rail_width = sane(width, 0);
    return std::move(*this);
}

NavSplit&& NavSplit::shown(bool shown) &&
{
    m_shown = shown;
    return std::move(*this);
}

NavSplit&& NavSplit::open_fraction(float fraction) &&
{
    m_fraction = std::isfinite(fraction) ? std::clamp(fraction, 0.0f, 1.0f) : 0.0f;
    return std::move(*this);
}

NavSplit&& NavSplit::known_width(double width) &&
{
    if (std::isfinite(width))
        m_known_width = width;
    return std::move(*this);
}

NavSplit&& NavSplit::with_id(std::string id) &&
{
    m_id = std::move(id);
    return std::move(*this);
}

void NavSplit::forget_widths() { remembered_widths().clear(); }

double NavSplit::slot_width() const
{
    if (m_built_narrow || !m_shown)
        return 0;
    return double(m_rail_width) * m_fraction;
}

bool NavSplit::rail_visible() const
{
    if (m_built_narrow)
        return m_shown && m_fraction > 0 && m_rail_width > 0;
    return slot_width() > 0;
}

Rect NavSplit::rail_area() const
{
    if (!rail_visible())
        return {};
    return m_rail->layout_rect().intersected(m_built_narrow ? m_rect : m_slot);
}

layout::NodeId NavSplit::build_layout(layout::Tree& tree, BuildContext& context, NodeMap& nodes)
{
    std::optional<double> width = m_known_width;
    if (!width) {
        auto const& widths = remembered_widths();
        if (auto found = widths.find(memory_key()); found != widths.end())
            width = found->second;
    }
    // Without any width to go by, build the wide form.
    m_built_narrow = width && is_narrow_at(*width);
    m_structure_dirty = false;

    m_rail_node = m_rail->build_layout(tree, context, nodes);
    m_content_node = m_content->build_layout(tree, context, nodes);

    // A block slot keeps the rail at its own width even while the slot is narrower.
    layout::Style slot;
    slot.display = layout::Display::Block;
    slot.overflow = { layout::Overflow::Hidden, layout::Overflow::Hidden };
    slot.flex_shrink = 0;
    if (m_built_narrow) {
        slot.position = layout::Position::Absolute;
        slot.inset.left = layout::Dimension::px(0);
        slot.inset.top = layout::Dimension::px(0);
        slot.inset.bottom = layout::Dimension::px(0);
        slot.size.width = layout::Dimension::px(m_rail_width);
    } else {
        slot.size.width = layout::Dimension::px(float(slot_width()));
    }
    auto slot_node = tree.new_with_children(slot, { m_rail_node });

    layout::Style column;
    column.flex_direction = layout::FlexDirection::Column;
    column.flex_grow = 1;
    column.flex_shrink = 1;
    column.flex_basis = layout::Dimension::px(0);
    column.min_size.width = layout::Dimension::px(0);
    column.min_size.height = layout::Dimension::px(0);
    auto column_node = tree.new_with_children(column, { m_content_node });

    layout::Style split;
    split.flex_direction = layout::FlexDirection::Row;
    split.overflow = { layout::Overflow::Hidden, layout::Overflow::Hidden };
    split.size.width = layout::Dimension::percent(1.0f);
    split.min_size.width = layout::Dimension::px(0);
    split.min_size.height = layout::Dimension::px(0);
    split.flex_grow = 1;
    split.flex_shrink = 1;
    split.flex_basis = layout::Dimension::px(0);
    auto node = tree.new_with_children(split, { slot_node, column_node });
    nodes[this] = node;
    return node;
}

void NavSplit::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    auto const& box = tree.layout(node);
    m_rect = Rect::from_origin_size(x + box.x, y + box.y, box.width, box.height);
    auto children = tree.children(node);
    if (children.size() == 2) {
        auto const& slot = tree.layout(children[0]);
        auto const& column = tree.layout(children[1]);
        m_slot = Rect::from_origin_size(m_rect.x0 + slot.x, m_rect.y0 + slot.y, slot.width, slot.height);
        // The rail slides: wide, its right edge follows the slot's; narrow, it moves in from
        // beyond the left edge as the open fraction grows.
        double slide = m_built_narrow ? -(1.0 - m_fraction) * m_rail_width : slot.width - m_rail_width;
        m_rail->apply_layout(tree, m_rail_node, m_slot.x0 + slide, m_slot.y0);
        m_content->apply_layout(tree, m_content_node, m_rect.x0 + column.x, m_rect.y0 + column.y);
    }
    remembered_widths()[memory_key()] = box.width;
    if (!m_known_width && is_narrow_at(box.width) != m_built_narrow)
        m_structure_dirty = true;
}

void NavSplit::draw(Scene& scene, DrawContext& context)
{
    m_content->draw_with_presence(scene, context);
    if (!rail_visible())
        return;
    scene.push_clip(m_built_narrow ? m_rect : m_slot);
    m_rail->draw_with_presence(scene, context);
    scene.pop_clip();
}

void NavSplit::handle_event(EventContext& context)
{
    auto position = context.logical_position();
    if (!position) {
        if (std::holds_alternative<PointerLeave>(context.event))
            m_under = Under::Nothing;
        if (rail_visible())
            deliver_event(*m_rail, context, context.event);
        if (!context.handled)
            deliver_event(*m_content, context, context.event);
        return;
    }
    Under under = Under::Nothing;
    if (m_rect.contains(*position))
        under = rail_area().contains(*position) ? Under::Rail : Under::Content;
    // Whatever the pointer left is told so; it never sees positions outside its own part.
    bool was_handled = context.handled;
    if (m_under != under || std::holds_alternative<PointerUp>(context.event)) {
        if (under != Under::Rail && (m_under == Under::Rail || std::holds_alternative<PointerUp>(context.event)))
            deliver_event(*m_rail, context, PointerLeave {});
        if (under != Under::Content && (m_under == Under::Content || std::holds_alternative<PointerUp>(context.event)))
            deliver_event(*m_content, context, PointerLeave {});
    }
    m_under = under;
    context.handled = was_handled;
    if (under == Under::Rail)
        deliver_event(*m_rail, context, context.event);
    else if (under == Under::Content)
        deliver_event(*m_content, context, context.event);
}

void NavSplit::for_each_child(std::function<void(Widget&)> const& visit)
{
    visit(*m_rail);
    visit(*m_content);
}

bool NavSplit::take_structure_dirty()
{
    bool own = std::exchange(m_structure_dirty, false);
    return children_take_structure_dirty(*this) || own;
}

bool NavSplit::needs_redraw() const { return children_need_redraw(*this); }

bool NavSplit::is_layout_dirty() const { return children_layout_dirty(*this); }

}
