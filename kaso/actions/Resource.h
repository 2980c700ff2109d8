#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "kaso/actions/ActionParam.h"
#include "kaso/actions/EncodedAction.h"

namespace kaso::actions {

// Why an action cannot run now, shown beside it.
struct Unavailability {
    std::string reason_code;
    std::string message;
};

// What invoking an action without parameters yields. Most actions yield one fixed encoded
// action; its payload may live in storage shared with other actions (a tree writes the JSON of
// its thousands of fixed actions into a few blocks), which `owner` keeps alive. Any other
// action gives a closure.
class ActionInvoker {
public:
    ActionInvoker() = default;
    ActionInvoker(std::nullptr_t) { }
    template<typename Closure>
        requires(!std::is_same_v<std::decay_t<Closure>, ActionInvoker> && std::is_invocable_r_v<EncodedAction, Closure&>)
    ActionInvoker(Closure closure)
        : m_closure(std::move(closure))
    {
    }

    // A fixed encoded action. `kind` is not copied: it must outlive every copy (a literal).
    static ActionInvoker fixed(std::string_view kind, std::shared_ptr<void const> owner, std::string_view payload)
    {
        ActionInvoker invoker;
        invoker.m_kind = kind;
        invoker.m_owner = std::move(owner);
        invoker.m_payload = payload;
        invoker.m_is_fixed = true;
        return invoker;
    }

    explicit operator bool() const { return m_is_fixed || m_closure; }
    EncodedAction operator()() const
    {
        if (m_is_fixed)
            return EncodedAction { std::string(m_kind), std::vector<uint8_t>(m_payload.begin(), m_payload.end()) };
        return m_closure();
    }

private:
    std::string_view m_kind;
    std::shared_ptr<void const> m_owner; // keeps `m_payload` alive
    std::string_view m_payload;
    bool m_is_fixed { false };
    std::function<EncodedAction()> m_closure;
};

// One action a resource offers: what it is called, whether it can run, and the encoded action
// invoking it produces: `invoke` for an action without parameters, `input` for one that asks.
struct ActionSpec {
    std::string id;
    std::string label;
    std::optional<std::string> description;
    std::optional<Unavailability> unavailable;
    ActionInvoker invoke;
    std::optional<ActionInput> input;
    uint8_t operation_type { 1 }; // 1 or 2
    bool predicate { false };
    bool is_destructive { false };
    bool is_privileged { false };

    // The contract the runtime holds the action to. Unset fields promise nothing.
    bool has_contract { false };
    std::vector<std::string> capabilities; // what the host must grant ("clipboard", "sharing")
    std::optional<uint8_t> replay;         // 1: applies a fixed value, so a repeat changes nothing
    std::optional<uint8_t> audit;          // 0: may be logged whole; 2: its arguments never are

    // The encoded action for these arguments, after checking them against the parameters (an
    // action without parameters takes none). The error never quotes an argument.
    ErrorOr<EncodedAction> build_json(ActionArguments const& arguments) const;

    ActionSpec& destructive()
    {
        is_destructive = true;
        return *this;
    }
    ActionSpec& privileged()
    {
        is_privileged = true;
        return *this;
    }
    ActionSpec& with_contract(std::vector<std::string> capability_names)
    {
        has_contract = true;
        capabilities = std::move(capability_names);
        return *this;
    }
};

// A node of the application's action tree: an address ("vexa.video:abc"), a kind, a label, and
// its children and actions in the order the application gave them.
struct Resource {
    std::string address;
    std::string kind;
    std::string label;
    std::vector<Resource> children;
    std::vector<ActionSpec> actions;

    Resource&& with_child(Resource child) &&
    {
        children.push_back(std::move(child));
        return std::move(*this);
    }
    Resource&& with_action(ActionSpec action) &&
    {
        actions.push_back(std::move(action));
        return std::move(*this);
    }
};

}
