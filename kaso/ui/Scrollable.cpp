#include "kaso/ui/Scrollable.h"

#include <algorithm>
#include <cmath>

#include "kaso/ui/ContainerState.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/Theme.h"

namespace kaso::ui {

namespace {

constexpr double min_thumb_length = 24;

float clamp_axis(float value, float max)
{
    if (std::isnan(value) || value < 0)
        return 0;
    return std::min(value, max);
}

// The same event with its pointer position moved by (dx, dy) device pixels.
Event shifted(Event const& event, double dx, double dy)
{
    Event copy = event;
    std::visit(
        [&](auto& e) {
            using T = std::decay_t<decltype(e)>;
            if constexpr (requires { e.x; e.y; } && !std::is_same_v<T, Resized>) {
                e.x += dx;
                e.y += dy;
            }
        },
        copy);
    return copy;
}

}

Scrollable::Scrollable()
    : m_cell(std::make_shared<ScrollOffset>())
{
}

Scrollable&& Scrollable::with_child(WidgetBox child) &&
{
    m_child = std::move(child);
    return std::move(*this);
}

Scrollable&& Scrollable::with_persisted_offset(std::string key, ScrollOffsetCell cell) &&
{
    m_key = std::move(key);
    if (cell)
        m_cell = std::move(cell);
    return std::move(*this);
}

Scrollable&& Scrollable::scrollbar_width(float width) &&
{
    m_scrollbar_width = std::isfinite(width) && width > 0 ? width : 0;
    return std::move(*this);
}

ScrollOffset Scrollable::max_offset() const
{
    return { float(std::max(0.0, m_content.width - m_rect.width())), float(std::max(0.0, m_content.height - m_rect.height())) };
}

ScrollOffset Scrollable::offset() const
{
    auto max = max_offset();
    return { clamp_axis(m_cell->x, max.x), clamp_axis(m_cell->y, max.y) };
}

bool Scrollable::scroll_to(ScrollOffset wanted)
{
    auto before = offset();
    auto max = max_offset();
    ScrollOffset after { clamp_axis(wanted.x, max.x), clamp_axis(wanted.y, max.y) };
    if (after == before)
        return false;
    *m_cell = after;
    m_dirty = true;
    return true;
}

layout::Style Scrollable::layout_style() const
{
    layout::Style style;
    style.display = layout::Display::Block;
    style.overflow = { layout::Overflow::Hidden, layout::Overflow::Hidden };
    style.size.width = layout::Dimension::percent(1.0f);
    style.size.height = layout::Dimension::percent(1.0f);
    style.min_size.width = layout::Dimension::px(0);
    style.min_size.height = layout::Dimension::px(0);
    style.flex_grow = 1;
    style.flex_shrink = 1;
    return style;
}

void Scrollable::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    Widget::apply_layout(tree, node, x, y);
    auto const& box = tree.layout(node);
    m_content = { std::max<double>(box.content_width, box.width), std::max<double>(box.content_height, box.height) };
    m_dirty = true;
}

void Scrollable::draw(Scene& scene, DrawContext& context)
{
    if (!m_child)
        return;
    auto at = offset();
    Rect visible = context.visible.intersected(m_rect);
    scene.push_clip(m_rect);
    if (!visible.is_empty()) {
        scene.begin_scroll_layer(m_rect, { at.x, at.y });
        scene.push_offset(-at.x, -at.y);
        DrawContext inner { context.text, context.theme, visible.translated(at.x, at.y), context.now_ms, context.scale };
        m_child->draw_with_presence(scene, inner);
        scene.pop_offset();
        scene.end_scroll_layer();
    }
    draw_indicator(scene, context);
    scene.pop_clip();
}

void Scrollable::draw_overlay(Scene& scene, DrawContext& context)
{
    if (!m_child)
        return;
    auto at = offset();
    scene.push_offset(-at.x, -at.y);
    DrawContext inner { context.text, context.theme, context.visible.translated(at.x, at.y), context.now_ms, context.scale };
    m_child->draw_overlay(scene, inner);
    scene.pop_offset();
}

void Scrollable::draw_indicator(Scene& scene, DrawContext& context) const
{
    double view = m_rect.height();
    if (m_scrollbar_width <= 0 || view <= 0 || m_content.height <= view + 0.5)
        return;
    double inset = std::min(3.0, m_scrollbar_width / 4.0);
    double track = view - 2 * inset;
    double length = std::clamp(track * view / m_content.height, std::min(min_thumb_length, track), track);
    double travel = track - length;
    double max = max_offset().y;
    double top = m_rect.y0 + inset + (max > 0 ? travel * offset().y / max : 0);
    double width = std::max(2.0, m_scrollbar_width / 2.0 - inset);
    Rect thumb = Rect::from_origin_size(m_rect.x1 - inset - width, top, width, length);
    scene.fill_rect(thumb, context.theme.text_muted.with_alpha(0.35f), width / 2);
}

void Scrollable::handle_event(EventContext& context)
{
    if (!m_child)
        return;
    switch (m_fence.check(context, m_rect)) {
    case PointerFence::Verdict::Drop: return;
    case PointerFence::Verdict::Leave: deliver_event(*m_child, context, PointerLeave {}); return;
    case PointerFence::Verdict::Pass: break;
    }
    if (!context.logical_position()) {
        m_child->handle_event(context);
        return;
    }
    auto at = offset();
    double scale = context.scale > 0 ? context.scale : 1.0;
    deliver_event(*m_child, context, shifted(context.event, at.x * scale, at.y * scale));
    if (context.handled)
        return;
    if (auto const* scroll = std::get_if<Scroll>(&context.event)) {
        // A view at its end leaves the wheel to an enclosing one; a delta that is no number
        // moves nothing.
        if (!std::isfinite(scroll->dx) || !std::isfinite(scroll->dy) || !scroll_to({ float(at.x + scroll->dx), float(at.y + scroll->dy) }))
            return;
        // Other content now lies under the pointer: hover follows it.
        auto moved = offset();
        deliver_event(*m_child, context, PointerMove { scroll->x + moved.x * scale, scroll->y + moved.y * scale });
        context.handled = true;
    }
}

void Scrollable::for_each_child(std::function<void(Widget&)> const& visit)
{
    if (m_child)
        visit(*m_child);
}

bool Scrollable::reveal_descendant(std::string_view id)
{
    if (!m_child)
        return false;
    // Nested views reveal within themselves first; then this one brings the element in.
    bool inner = m_child->reveal_descendant(id);
    std::optional<Rect> found;
    std::function<void(Widget&)> visit = [&](Widget& widget) {
        if (!found && widget.widget_id() == id)
            found = widget.layout_rect();
        if (!found)
            widget.for_each_child(visit);
    };
    visit(*m_child);
    if (!found)
        return inner;
    auto at = offset();
    double top = found->y0 - at.y;
    double bottom = found->y1 - at.y;
    double y = at.y;
    if (top < m_rect.y0 || found->height() > m_rect.height())
        y = found->y0 - m_rect.y0;
    else if (bottom > m_rect.y1)
        y = found->y1 - m_rect.y1;
    scroll_to({ at.x, float(y) });
    return true;
}

bool Scrollable::take_structure_dirty() { return children_take_structure_dirty(*this); }

bool Scrollable::needs_redraw() const { return m_dirty || children_need_redraw(*this); }

bool Scrollable::is_layout_dirty() const { return children_layout_dirty(*this); }

void Scrollable::mark_drawn()
{
    m_dirty = false;
    Widget::mark_drawn();
}

}
