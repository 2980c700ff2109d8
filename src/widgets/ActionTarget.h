#pragma once

#include <optional>
#include <string>

#include "kaso/actions/ActionEmitter.h"
#include "src/actions/OperationQueue.h"
#include "src/actions/UiAction.h"

namespace vexa {

// What an actionable box does when activated, by one of the two ways a control acts: it pushes
// its UiAction into the shared operation queue, or it emits a control invocation through an
// ActionEmitter bound to an action of the runtime's action system. A control, once given, wins:
// it drops the action and queue, and a later action is ignored.
class ActionTarget {
public:
    // Keeps the action and a handle of the queue; false (and nothing kept) once there is a control.
    bool set_action(OperationQueueHandle queue, UiAction action);
    void set_control(kaso::actions::ActionEmitter emitter);

    bool is_actionable() const { return m_control.has_value() || (m_action.has_value() && m_queue); }
    std::optional<UiAction> const& action() const { return m_action; }
    kaso::actions::ActionEmitter const* control() const { return m_control ? &*m_control : nullptr; }

    // Pushes the action or emits through the control; answers whether it did. A failed emit is
    // logged and is no activation.
    bool activate();

    // The control's side, for the runtime's questions; nothing without a control.
    std::optional<kaso::actions::ControlInvocation> take_control_invocation();
    void refresh_availability(kaso::actions::ActionAvailability const& available);
    // The control's binding under the box's element id, or "vexa.custom-control" without one.
    std::optional<kaso::actions::ControlBinding> control_binding(std::optional<std::string> const& id) const;

private:
    std::optional<UiAction> m_action;
    OperationQueueHandle m_queue;
    std::optional<kaso::actions::ActionEmitter> m_control;
};

}
