#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaso/ui/Scene.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui::testing {

// A box of a fixed size that paints one rectangle and records what reaches it.
class Box final : public Widget {
public:
    Box(float width, float height, Color color = Color::rgb(200, 0, 0))
        : m_width(width)
        , m_height(height)
        , m_color(color)
    {
    }
    layout::Style layout_style() const override
    {
        layout::Style style;
        style.size.width = m_width < 0 ? layout::Dimension::percent(1.0f) : layout::Dimension::px(m_width);
        style.size.height = layout::Dimension::px(m_height);
        style.flex_shrink = 0;
        return style;
    }
    void draw(Scene& scene, DrawContext&) override { scene.fill_rect(m_rect, m_color); }
    std::optional<std::string> widget_id() const override { return id; }
    void handle_event(EventContext& context) override
    {
        if (std::holds_alternative<PointerLeave>(context.event)) {
            ++leaves;
            hovered = false;
            return;
        }
        auto point = context.logical_position();
        if (!point)
            return;
        last_position = *point;
        ++pointer_events;
        if (std::holds_alternative<PointerMove>(context.event))
            hovered = m_rect.contains(*point);
        if (std::holds_alternative<PointerDown>(context.event) && m_rect.contains(*point)) {
            ++clicks;
            context.handled = true;
        }
    }
    std::optional<std::string> id;
    int clicks { 0 };
    int pointer_events { 0 };
    int leaves { 0 };
    bool hovered { false };
    std::optional<Point> last_position;

private:
    float m_width; // negative: the full width of the parent
    float m_height;
    Color m_color;
};

// A flex column (or row) of children, filling its parent unless told otherwise.
class Stack final : public Widget {
public:
    explicit Stack(layout::FlexDirection direction = layout::FlexDirection::Column)
        : m_direction(direction)
    {
    }
    template<typename W>
    W& add(W&& child)
    {
        auto owned = std::make_unique<std::decay_t<W>>(std::forward<W>(child));
        auto& ref = *owned;
        m_children.push_back(std::move(owned));
        return ref;
    }
    Widget& add_box(WidgetBox child)
    {
        m_children.push_back(std::move(child));
        return *m_children.back();
    }
    layout::Style style;
    layout::Style layout_style() const override
    {
        layout::Style out = style;
        out.flex_direction = m_direction;
        return out;
    }
    void for_each_child(std::function<void(Widget&)> const& visit) override
    {
        for (auto& child : m_children)
            visit(*child);
    }
    bool take_structure_dirty() override
    {
        bool any = std::exchange(dirty, false);
        for (auto& child : m_children)
            any = child->take_structure_dirty() || any;
        return any;
    }
    bool dirty { false };

private:
    layout::FlexDirection m_direction;
    std::vector<WidgetBox> m_children;
};

// Commands of one kind from a scene, in order.
template<typename T>
std::vector<T> commands_of(Scene const& scene)
{
    std::vector<T> out;
    for (auto const& command : scene.commands())
        if (auto const* found = std::get_if<T>(&command))
            out.push_back(*found);
    return out;
}

}
