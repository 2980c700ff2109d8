#include "src/widgets/Switch.h"

#include "kaso/ui/Toggle.h"

namespace vexa {

using namespace kaso;

Switch::Switch(OperationQueueHandle queue, UiAction action, bool on)
    : m_action(std::move(action))
    , m_queue(std::move(queue))
    , m_on(on)
{
}

Switch&& Switch::with_id(std::string id) &&
{
    m_id = std::move(id);
    return std::move(*this);
}

Switch&& Switch::with_label(std::string label) &&
{
    m_label = std::move(label);
    return std::move(*this);
}

void Switch::emit() const
{
    if (m_queue)
        m_queue->push(m_action);
}

layout::NodeId Switch::build_layout(layout::Tree& tree, ui::BuildContext&, ui::NodeMap& nodes)
{
    layout::Style style;
    style.size = { layout::Dimension::px(width), layout::Dimension::px(height) };
    style.flex_grow = 0;
    style.flex_shrink = 0;
    auto node = tree.new_leaf(style);
    nodes[this] = node;
    return node;
}

void Switch::draw(ui::Scene& scene, ui::DrawContext& context)
{
    ui::Toggle::draw(scene, m_rect, m_on ? 1.0f : 0.0f, m_hovered, m_focused, context.theme);
}

void Switch::handle_event(ui::EventContext& context)
{
    auto position = context.logical_position();
    if (std::holds_alternative<ui::PointerMove>(context.event)) {
        bool inside = position && m_rect.contains(*position);
        if (inside != m_hovered) {
            m_hovered = inside;
            m_dirty = true;
        }
    } else if (auto const* up = std::get_if<ui::PointerUp>(&context.event)) {
        if (up->button == ui::PointerButton::Primary && m_hovered && !context.handled) {
            emit();
            context.handled = true;
            if (m_id)
                context.focus_request = m_id;
        }
    } else if (std::holds_alternative<ui::PointerLeave>(context.event) && m_hovered) {
        m_hovered = false;
        m_dirty = true;
    }
}

void Switch::set_focus(bool focused)
{
    if (focused != m_focused) {
        m_focused = focused;
        m_dirty = true;
    }
}

bool Switch::perform_action(ui::ActionRequest const& request)
{
    if (request.code != 0 && request.code != 2)
        return false;
    emit();
    return true;
}

std::optional<ui::AccessNode> Switch::accessibility() const
{
    ui::AccessNode node;
    node.role = switch_role;
    node.name = m_label.value_or("");
    node.description = m_on ? "on" : "off";
    node.bounds = m_rect;
    node.focused = m_focused;
    return node;
}

}
