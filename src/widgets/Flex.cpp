#include "src/widgets/Flex.h"

#include "kaso/ui/Scene.h"

namespace vexa {

using namespace kaso;

namespace {

// A box presses like a button: a press and a release over it, or Enter or Space while focused.
constexpr ui::AbstractButton::Behaviour flex_behaviour { ui::AbstractButton::TracksPress::Yes, ui::AbstractButton::KeysActivate::Yes,
    ui::AbstractButton::ClickFocuses::No };

}

Flex::Flex(Direction direction)
    : AbstractButton(flex_behaviour)
    , m_layout(direction)
{
}

Flex& Flex::padding_each(float left, float top, float right, float bottom) &
{
    m_layout.padding = { left, top, right, bottom };
    return *this;
}

Flex&& Flex::padding_each(float left, float top, float right, float bottom) &&
{
    padding_each(left, top, right, bottom);
    return std::move(*this);
}

Flex& Flex::with_action(OperationQueueHandle queue, UiAction action) &
{
    std::string title(action.title());
    if (!m_target.set_action(std::move(queue), std::move(action)))
        return *this;
    m_label = title;
    m_action_label = std::move(title);
    return *this;
}

Flex&& Flex::with_action(OperationQueueHandle queue, UiAction action) &&
{
    with_action(std::move(queue), std::move(action));
    return std::move(*this);
}

Flex& Flex::with_control(kaso::actions::ActionEmitter emitter) &
{
    m_target.set_control(std::move(emitter));
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

void Flex::set_overlay(bool overlay)
{
    m_overlay = overlay;
    m_layout.covers_parent = m_overlay || m_capture_pointer;
}

void Flex::set_capture_pointer(bool capture)
{
    m_capture_pointer = capture;
    m_layout.covers_parent = m_overlay || m_capture_pointer;
}

void Flex::append_child(ui::WidgetBox child)
{
    if (child)
        m_children.push_back(std::move(child));
}

layout::NodeId Flex::build_layout(layout::Tree& tree, ui::BuildContext& context, ui::NodeMap& nodes)
{
    auto child_nodes = build_child_nodes(tree, context, nodes);
    auto node = child_nodes.empty() ? tree.new_leaf(layout_style()) : tree.new_with_children(layout_style(), std::move(child_nodes));
    nodes[this] = node;
    return node;
}

void Flex::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    auto const& box = tree.layout(node);
    double x0 = x + box.x;
    double y0 = y + box.y;
    // The rect also covers content that overflows the box, unless the box clips it away.
    double width = m_layout.clip ? box.width : std::max(box.width, box.content_width);
    double height = m_layout.clip ? box.height : std::max(box.height, box.content_height);
    m_rect = { x0, y0, x0 + width, y0 + height };
    place_children(tree, node);
}

void Flex::draw(ui::Scene& scene, ui::DrawContext& context)
{
    m_look.paint(scene, m_rect, is_hovered());
    if (m_layout.clip)
        scene.push_clip(m_rect);
    draw_children(scene, context);
    if (m_layout.clip)
        scene.pop_clip();
}

void Flex::handle_event(ui::EventContext& context)
{
    auto verdict = m_layout.clip ? m_fence.check(context, m_rect) : ui::PointerFence::Verdict::Pass;
    if (verdict == ui::PointerFence::Verdict::Pass) {
        deliver_to_children(context);
    } else if (verdict == ui::PointerFence::Verdict::Leave) {
        ui::Event leave = ui::PointerLeave {};
        ui::EventContext left { leave, context.modifiers, context.scale, context.handled, std::nullopt };
        deliver_to_children(left);
    }
    // A child that captures the pointer takes the event alone, this box included.
    if (verdict == ui::PointerFence::Verdict::Pass && any_child([](Widget const& child) { return child.wants_pointer_capture(); }))
        return;
    handle_button_event(context);
}

void Flex::for_each_child(std::function<void(ui::Widget&)> const& visit)
{
    for (auto& child : m_children)
        visit(*child);
}

std::optional<std::string> Flex::action_label() const
{
    if (!is_actionable())
        return std::nullopt;
    return m_action_label;
}

std::optional<ui::AccessNode> Flex::accessibility() const
{
    if (!is_actionable())
        return std::nullopt;
    ui::AccessNode node;
    node.role = ui::AccessRole::Button;
    node.name = m_label.value_or("Action");
    node.bounds = m_rect;
    node.focused = is_focused();
    return node;
}

bool Flex::perform_action(ui::ActionRequest const& request)
{
    if (!is_actionable())
        return false;
    switch (request.kind) {
    case ui::ActionRequestKind::Default: return activate();
    case ui::ActionRequestKind::Focus: set_focus(true); return true;
    case ui::ActionRequestKind::Toggle:
    case ui::ActionRequestKind::Named: return false;
    }
    return false;
}

bool Flex::wants_pointer_capture() const
{
    return m_capture_pointer || any_child([](Widget const& child) { return child.wants_pointer_capture(); });
}

std::optional<kaso::actions::ControlInvocation> Flex::take_control_invocation()
{
    if (auto own = m_target.take_control_invocation())
        return own;
    return Widget::take_control_invocation();
}

void Flex::refresh_control_action_availability(kaso::actions::ActionAvailability const& available)
{
    m_target.refresh_availability(available);
    Widget::refresh_control_action_availability(available);
}

std::vector<kaso::actions::ControlBinding> Flex::control_action_bindings() const
{
    std::vector<kaso::actions::ControlBinding> bindings;
    if (auto own = m_target.control_binding(m_id))
        bindings.push_back(std::move(*own));
    auto inner = Widget::control_action_bindings();
    bindings.insert(bindings.end(), std::make_move_iterator(inner.begin()), std::make_move_iterator(inner.end()));
    return bindings;
}

Flex fixed_box(float width, float height) { return Flex::row().width(Length::px(width)).height(Length::px(height)); }

Flex fill_spacer() { return Flex::row().grow(1.0f); }

Flex divider(ui::Theme const& theme)
{
    return Flex::row().width(Length::fill()).height(Length::px(1.0f)).style(BoxStyle::filled(theme.divider));
}

}
