#include "src/widgets/ActionTarget.h"

#include "kaso/platform/Log.h"

namespace vexa {

bool ActionTarget::set_action(OperationQueueHandle queue, UiAction action)
{
    if (m_control)
        return false;
    m_queue = std::move(queue);
    m_action = std::move(action);
    return true;
}

void ActionTarget::set_control(kaso::actions::ActionEmitter emitter)
{
    m_action.reset();
    m_queue.reset();
    m_control.emplace(std::move(emitter));
}

bool ActionTarget::activate()
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

std::optional<kaso::actions::ControlInvocation> ActionTarget::take_control_invocation()
{
    if (!m_control)
        return std::nullopt;
    return m_control->pop_control_invocation();
}

void ActionTarget::refresh_availability(kaso::actions::ActionAvailability const& available)
{
    if (m_control)
        m_control->refresh_availability(available);
}

std::optional<kaso::actions::ControlBinding> ActionTarget::control_binding(std::optional<std::string> const& id) const
{
    if (!m_control)
        return std::nullopt;
    auto const& binding = m_control->binding();
    return kaso::actions::ControlBinding { id.value_or("vexa.custom-control"), binding.address, binding.spec.label };
}

}
