#include "src/widgets/Switch.h"

#include "kaso/ui/Toggle.h"

namespace vexa {

using namespace kaso;

namespace {

// A switch takes the release over it, wherever the press was; keys reach it only through
// perform_action; a click also focuses it.
constexpr ui::AbstractButton::Behaviour switch_behaviour { ui::AbstractButton::TracksPress::No, ui::AbstractButton::KeysActivate::No,
    ui::AbstractButton::ClickFocuses::Yes };

}

Switch::Switch(OperationQueueHandle queue, UiAction action, bool on)
    : AbstractButton(switch_behaviour)
    , m_action(std::move(action))
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
    ui::Toggle::draw(scene, m_rect, { .on_fraction = m_on ? 1.0f : 0.0f, .hovered = is_hovered(), .focused = is_focused() }, context.theme);
}

bool Switch::activate()
{
    emit();
    return true;
}

bool Switch::perform_action(ui::ActionRequest const& request)
{
    if (request.kind != ui::ActionRequestKind::Default && request.kind != ui::ActionRequestKind::Toggle)
        return false;
    emit();
    return true;
}

std::optional<ui::AccessNode> Switch::accessibility() const
{
    ui::AccessNode node;
    node.role = ui::AccessRole::Switch;
    node.name = m_label.value_or("");
    node.description = m_on ? "on" : "off";
    node.bounds = m_rect;
    node.focused = is_focused();
    return node;
}

}
