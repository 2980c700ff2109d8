#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kaso/actions/ActionParam.h"
#include "kaso/actions/EncodedAction.h"

namespace kaso::actions {

// Why an action cannot run now, shown beside it.
struct Unavailability {
    std::string reason_code;
    std::string message;
};

// One action a resource offers: what it is called, whether it can run, and the encoded action
// invoking it produces: `invoke` for an action without parameters, `input` for one that asks.
struct ActionSpec {
    std::string id;
    std::string label;
    std::optional<std::string> description;
    std::optional<Unavailability> unavailable;
    std::function<EncodedAction()> invoke;
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
