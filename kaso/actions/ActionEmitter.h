#pragma once

#include <compare>
#include <cstdint>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "kaso/actions/EncodedAction.h"
#include "kaso/actions/Resource.h"
#include "kaso/platform/Error.h"

namespace kaso::actions {

// Where an action lives: the address of its resource and the action's id there.
struct ActionAddress {
    std::string resource;
    std::string action;

    // "vexa.video:abc#queue": the text under which the address is looked up.
    std::string encode() const { return resource + "#" + action; }
    // The address of an encoded text, split at its last "#" (resource addresses may hold "#",
    // action ids never do); none without one.
    static std::optional<ActionAddress> decode(std::string_view text);

    auto operator<=>(ActionAddress const&) const = default;
    bool operator==(ActionAddress const&) const = default;
};

// Which actions can run now, as the runtime last found them in the application's tree: every
// action except those the tree marked unavailable (or that need a capability the runtime does
// not grant). An address the tree does not list at all, such as an item past the end of a
// collection the tree cuts short, can run.
struct ActionAvailability {
    std::set<ActionAddress> unavailable;

    bool allows(ActionAddress const& address) const { return !unavailable.contains(address); }
    bool operator==(ActionAvailability const&) const = default;
};

// A control's tie to one action of the resource tree: the action's address, its specification
// (which turns arguments into the action's encoded form) and the closure giving the arguments
// each time the control fires.
struct ActionBinding {
    ActionAddress address;
    ActionSpec spec;
    std::function<ActionArguments()> arguments;

    // The binding of the action `action_id` of `resource`, taking no arguments. Fails when the
    // resource offers no such action.
    static ErrorOr<ActionBinding> unit_for(Resource const& resource, std::string_view action_id);
    // The binding of an action with parameters, always invoked with the same arguments. The
    // binding keeps them until it is dropped, then wipes them (an argument may be a secret).
    static ErrorOr<ActionBinding> static_json(Resource const& resource, std::string_view action_id, ActionArguments arguments);
};

// One firing of a bound control, waiting for the runtime: the action's address, the action as
// its specification encoded it, and the operation type the specification declares (the runtime
// hands it back to the executor, which checks the operation against it).
struct ControlInvocation {
    ActionAddress address;
    EncodedAction action;
    uint8_t operation_type { 1 };

    bool operator==(ControlInvocation const&) const = default;
};

// A bound control as the runtime lists it: the control's element id and the action it fires.
struct ControlBinding {
    std::string control_id;
    ActionAddress address;
    std::string label;

    bool operator==(ControlBinding const&) const = default;
};

// Calls the binding's argument closure, checks the arguments against the action and encodes it
// (ActionSpec::build_json); the copy of the arguments is wiped afterwards.
ErrorOr<ControlInvocation> unit_binding_invocation(ActionBinding const& binding);

// Queues the invocations of one bound control until the runtime collects them, oldest first.
// The backlog holds at most `max_backlog`; a firing beyond that evicts the oldest, with a
// warning. While the runtime reports the action unavailable, firings are accepted and dropped.
class ActionEmitter {
public:
    static constexpr std::size_t max_backlog = 64;

    explicit ActionEmitter(ActionBinding binding);

    ActionBinding const& binding() const { return m_binding; }
    bool is_available() const { return m_available; }
    std::size_t backlog_size() const { return m_backlog.size(); }

    // Queues one invocation; fails (queueing nothing) when the invocation cannot be built.
    ErrorOr<void> emit();
    // Availability follows the runtime's word; an unavailable action loses its backlog.
    void refresh_availability(ActionAvailability const& availability);
    std::optional<ControlInvocation> pop_control_invocation();

private:
    ActionBinding m_binding;
    std::deque<ControlInvocation> m_backlog;
    bool m_available { true };
};

}
