#include "src/widgets/Flex.h"

#include "kaso/platform/Log.h"
#include "kaso/ui/Scene.h"

namespace vexa {

using namespace kaso;

namespace {

layout::Dimension dimension_of(Length length)
{
    switch (length.kind) {
    case Length::Kind::Auto: return layout::Dimension::automatic();
    case Length::Kind::Fill: return layout::Dimension::percent(1.0f);
    case Length::Kind::Px: return layout::Dimension::px(length.value);
    case Length::Kind::Percent: return layout::Dimension::percent(length.value);
    }
    return layout::Dimension::automatic();
}

layout::AlignItems align_items_of(Align align)
{
    switch (align) {
    case Align::Start: return layout::AlignItems::Start;
    case Align::Center: return layout::AlignItems::Center;
    case Align::End: return layout::AlignItems::End;
    case Align::Stretch: return layout::AlignItems::Stretch;
    }
    return layout::AlignItems::Start;
}

layout::JustifyContent justify_of(Justify justify)
{
    switch (justify) {
    case Justify::Start: return layout::JustifyContent::Start;
    case Justify::Center: return layout::JustifyContent::Center;
    case Justify::End: return layout::JustifyContent::End;
    case Justify::SpaceBetween: return layout::JustifyContent::SpaceBetween;
    }
    return layout::JustifyContent::Start;
}

bool is_primary(ui::PointerButton button) { return button == ui::PointerButton::Primary; }

}

Flex::Flex(Direction direction)
    : m_direction(direction)
    , m_align(direction == Direction::Row ? Align::Center : Align::Start)
{
}

Flex& Flex::padding_each(float left, float top, float right, float bottom) &
{
    m_padding = { left, top, right, bottom };
    return *this;
}

Flex&& Flex::padding_each(float left, float top, float right, float bottom) &&
{
    m_padding = { left, top, right, bottom };
    return std::move(*this);
}

Flex& Flex::with_action(OperationQueueHandle queue, UiAction action) &
{
    if (m_control)
        return *this;
    std::string title(action.title());
    m_queue = std::move(queue);
    m_action = std::move(action);
    m_label = title;
    m_action_label = title;
    return *this;
}

Flex&& Flex::with_action(OperationQueueHandle queue, UiAction action) &&
{
    with_action(std::move(queue), std::move(action));
    return std::move(*this);
}

Flex& Flex::with_control(kaso::actions::ActionEmitter emitter) &
{
    m_action.reset();
    m_queue.reset();
    m_control.emplace(std::move(emitter));
    return *this;
}

Flex&& Flex::with_control(kaso::actions::ActionEmitter emitter) &&
{
    with_control(std::move(emitter));
    return std::move(*this);
}

void Flex::set_label(std::string label)
{
    if (!m_action_label)
        m_action_label = label;
    m_label = std::move(label);
}

void Flex::append_child(ui::WidgetBox child)
{
    if (child)
        m_children.push_back(std::move(child));
}

layout::Style Flex::layout_style() const
{
    layout::Style style;
    if (m_grid_min_column)
        style.display = layout::Display::Grid;
    else if (m_block)
        style.display = layout::Display::Block;
    else
        style.display = layout::Display::Flex;
    if (m_capture_pointer || m_overlay) {
        style.position = layout::Position::Absolute;
        style.inset = { layout::Dimension::px(0), layout::Dimension::px(0), layout::Dimension::px(0), layout::Dimension::px(0) };
    }
    if (m_clip)
        style.overflow = { layout::Overflow::Hidden, layout::Overflow::Hidden };
    style.size = { dimension_of(m_width), dimension_of(m_height) };
    if (m_min_width)
        style.min_size.width = layout::Dimension::px(*m_min_width);
    if (m_min_height)
        style.min_size.height = layout::Dimension::px(*m_min_height);
    if (m_max_width)
        style.max_size.width = layout::Dimension::px(*m_max_width);
    style.padding = m_padding;
    style.gap = { m_gap, m_gap };
    style.flex_direction = m_direction == Direction::Row ? layout::FlexDirection::Row : layout::FlexDirection::Column;
    style.flex_wrap = m_wrap ? layout::FlexWrap::Wrap : layout::FlexWrap::NoWrap;
    style.align_items = align_items_of(m_align);
    style.justify_content = justify_of(m_justify);
    style.flex_basis = m_grow > 0 ? layout::Dimension::px(0) : layout::Dimension::automatic();
    style.flex_grow = m_grow;
    style.flex_shrink = m_shrink;
    style.grid_min_column = m_grid_min_column;
    return style;
}

layout::NodeId Flex::build_layout(layout::Tree& tree, ui::BuildContext& context, ui::NodeMap& nodes)
{
    std::vector<layout::NodeId> child_nodes;
    child_nodes.reserve(m_children.size());
    for (auto& child : m_children)
        child_nodes.push_back(child->build_layout(tree, context, nodes));
    auto node = child_nodes.empty() ? tree.new_leaf(layout_style()) : tree.new_with_children(layout_style(), std::move(child_nodes));
    nodes[this] = node;
    return node;
}

void Flex::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    auto const& box = tree.layout(node);
    double x0 = x + box.x;
    double y0 = y + box.y;
    // The rect also covers content that overflows the box.
    m_rect = { x0, y0, x0 + std::max(box.width, box.content_width), y0 + std::max(box.height, box.content_height) };
    auto child_nodes = tree.children(node);
    m_child_nodes.assign(child_nodes.begin(), child_nodes.end());
    std::size_t count = std::min(m_children.size(), child_nodes.size());
    for (std::size_t i = 0; i < count; ++i)
        m_children[i]->apply_layout(tree, child_nodes[i], x0, y0);
}

void Flex::paint_box(ui::Scene& scene) const
{
    auto const& chosen = (m_hovered && m_hover_style) ? m_hover_style : m_style;
    if (!chosen)
        return;
    if (chosen->fill)
        scene.fill_rect(m_rect, *chosen->fill, chosen->radius);
    if (chosen->border)
        scene.stroke_rect(m_rect, chosen->border->color, chosen->border->width, chosen->radius);
}

void Flex::draw(ui::Scene& scene, ui::DrawContext& context)
{
    paint_box(scene);
    if (m_clip)
        scene.push_clip(m_rect);
    for (auto& child : m_children)
        if (!child->is_overlay())
            child->draw_with_presence(scene, context);
    for (auto& child : m_children)
        if (child->is_overlay())
            child->draw_with_presence(scene, context);
    if (m_clip)
        scene.pop_clip();
}

void Flex::handle_event(ui::EventContext& context)
{
    // A child that captures the pointer takes every event, and nobody else sees it.
    for (auto& child : m_children) {
        if (child->wants_pointer_capture()) {
            child->handle_event(context);
            return;
        }
    }
    for (auto& child : m_children) {
        if (context.handled)
            break;
        if (child->is_overlay())
            child->handle_event(context);
    }
    for (auto& child : m_children) {
        if (context.handled)
            break;
        if (!child->is_overlay())
            child->handle_event(context);
    }
    if (!is_actionable())
        return;

    auto position = context.logical_position();
    std::visit(
        [&](auto const& event) {
            using T = std::decay_t<decltype(event)>;
            if constexpr (std::is_same_v<T, ui::PointerMove>) {
                bool inside = position && m_rect.contains(*position);
                if (inside != m_hovered) {
                    m_hovered = inside;
                    m_dirty = true;
                }
            } else if constexpr (std::is_same_v<T, ui::PointerDown>) {
                if (is_primary(event.button)) {
                    // Hover comes from the last move; a press without one counts where it lands.
                    if (position && m_rect.contains(*position))
                        m_hovered = true;
                    if (m_hovered && !context.handled) {
                        m_pressed = true;
                        m_dirty = true;
                    }
                }
            } else if constexpr (std::is_same_v<T, ui::PointerUp>) {
                if (is_primary(event.button)) {
                    m_hovered = position && m_rect.contains(*position);
                    if (m_pressed && m_hovered && !context.handled)
                        context.handled = activate();
                    m_pressed = false;
                    m_dirty = true;
                }
            } else if constexpr (std::is_same_v<T, ui::PointerLeave>) {
                if (m_hovered) {
                    m_hovered = false;
                    m_dirty = true;
                }
            } else if constexpr (std::is_same_v<T, ui::KeyDown>) {
                if ((event.key == ui::Key::Enter || event.key == ui::Key::Space) && m_focused && !context.handled && activate())
                    context.handled = true;
            }
        },
        context.event);
}

bool Flex::activate()
{
    if (m_control) {
        if (auto emitted = m_control->emit(); !emitted) {
            kaso::log::target("vexa::app")->warn("control not activated error={}", kaso::debug_text(emitted.error().message));
            return false;
        }
        return true;
    }
    if (!m_action || !m_queue)
        return false;
    m_queue->push(*m_action);
    return true;
}

void Flex::for_each_child(std::function<void(ui::Widget&)> const& visit)
{
    for (auto& child : m_children)
        visit(*child);
}

ui::CursorShape Flex::cursor_shape(ui::Point point) const { return is_actionable() && m_rect.contains(point) ? 3 : 0; }

std::optional<std::string> Flex::action_label() const
{
    if (!is_actionable())
        return std::nullopt;
    return m_action_label;
}

void Flex::set_focus(bool focused)
{
    if (focused != m_focused) {
        m_focused = focused;
        m_dirty = true;
    }
}

std::optional<ui::AccessNode> Flex::accessibility() const
{
    if (!is_actionable())
        return std::nullopt;
    ui::AccessNode node;
    node.role = 17;
    node.name = m_label.value_or("Action");
    node.bounds = m_rect;
    node.focused = m_focused;
    return node;
}

bool Flex::perform_action(ui::ActionRequest const& request)
{
    if (!is_actionable())
        return false;
    if (request.code == 0)
        return activate();
    if (request.code == 1) {
        set_focus(true);
        return true;
    }
    return false;
}

bool Flex::wants_pointer_capture() const
{
    if (m_capture_pointer)
        return true;
    for (auto const& child : m_children)
        if (child->wants_pointer_capture())
            return true;
    return false;
}

bool Flex::take_structure_dirty()
{
    bool any = false;
    for (auto& child : m_children)
        any = child->take_structure_dirty() || any;
    return any;
}

bool Flex::needs_redraw() const
{
    if (m_dirty)
        return true;
    for (auto const& child : m_children)
        if (child->needs_redraw())
            return true;
    return false;
}

bool Flex::is_layout_dirty() const
{
    for (auto const& child : m_children)
        if (child->is_layout_dirty())
            return true;
    return false;
}

void Flex::mark_drawn()
{
    m_dirty = false;
    for (auto& child : m_children)
        child->mark_drawn();
}

std::optional<kaso::actions::EncodedAction> Flex::take_control_invocation()
{
    if (m_control) {
        if (auto invocation = m_control->pop_control_invocation())
            return std::move(invocation->action);
    }
    for (auto& child : m_children)
        if (auto invocation = child->take_control_invocation())
            return invocation;
    return std::nullopt;
}

void Flex::refresh_control_action_availability(kaso::actions::AvailableActions const& available)
{
    if (m_control)
        m_control->refresh_availability(available);
    for (auto& child : m_children)
        child->refresh_control_action_availability(available);
}

std::vector<kaso::actions::ControlBinding> Flex::control_action_bindings() const
{
    std::vector<kaso::actions::ControlBinding> bindings;
    if (m_control) {
        auto const& binding = m_control->binding();
        bindings.push_back({ m_id.value_or("vexa.custom-control"), binding.address, binding.spec.label });
    }
    for (auto const& child : m_children) {
        auto inner = child->control_action_bindings();
        bindings.insert(bindings.end(), std::make_move_iterator(inner.begin()), std::make_move_iterator(inner.end()));
    }
    return bindings;
}

Flex fixed_box(float width, float height) { return Flex::row().width(Length::px(width)).height(Length::px(height)); }

Flex fill_spacer() { return Flex::row().grow(1.0f); }

Flex divider(ui::Theme const& theme)
{
    return Flex::row().width(Length::fill()).height(Length::px(1.0f)).style(BoxStyle::filled(theme.divider));
}

}
