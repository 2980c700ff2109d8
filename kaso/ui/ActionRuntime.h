#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "kaso/actions/ActionEmitter.h"

namespace kaso::actions {
class ActionRegistry;
class LibraryStore;
}

namespace kaso::ui {

class Widget;

// The runtime's side of the action system for one root widget: it reads the root's action tree
// for what may run, and carries out the invocations the root's controls leave. An operation of
// a namespace the root declares goes to the root's `execute_operation` with the operation type
// its action was declared with; an action of a kind the registry decodes is dispatched on the
// shared library document (the root sees the change at its next read of the document). UI
// thread only; nothing here logs a payload, which may carry a secret.
class ActionRuntime {
public:
    // The capabilities this runtime grants: an action whose contract names any other counts as
    // unavailable.
    static constexpr std::array<std::string_view, 2> granted_capabilities { "clipboard", "sharing" };

    void set_registry(kaso::actions::ActionRegistry const* registry) { m_registry = registry; }
    void set_library(kaso::actions::LibraryStore* library) { m_library = library; }

    // Reads the root's tree afresh and passes what may run to its bound controls. The runtime
    // does this whenever the page tree was rebuilt, not every frame.
    void refresh_availability(Widget& root);
    kaso::actions::ActionAvailability const& availability() const { return m_availability; }

    // Carries out one invocation: refused (and logged) when the last tree read marked its action
    // unavailable; answers whether it was carried out.
    bool run(Widget& root, kaso::actions::ControlInvocation const& invocation);
    // Takes and runs every invocation the root has waiting.
    void drain(Widget& root);

    // Fires the action bound to the control listed under `control_id`, as a keyboard binding or
    // an accessibility tool would: the action is looked up in the root's tree and its invocation
    // run. False when no such control or action exists, or it was not carried out.
    bool invoke_control(Widget& root, std::string_view control_id);
    // The same for an action named by its encoded address ("vexa.video:abc#queue").
    bool invoke_address(Widget& root, std::string_view encoded_address);

private:
    bool invoke(Widget& root, kaso::actions::ActionAddress const& address);

    kaso::actions::ActionRegistry const* m_registry { nullptr };
    kaso::actions::LibraryStore* m_library { nullptr };
    kaso::actions::ActionAvailability m_availability;
};

// The action at `address` in a tree of resources; none when the tree does not list it.
kaso::actions::ActionSpec const* find_action(std::vector<kaso::actions::Resource> const& tree, kaso::actions::ActionAddress const& address);

}
