#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kaso/actions/EncodedAction.h"

namespace kaso::actions {

// Why an action cannot run now, shown beside it.
struct Unavailability {
    std::string reason_code;
    std::string message;
};

// One action a resource offers: what it is called, whether it can run, and the encoded action
// invoking it produces.
struct ActionSpec {
    std::string id;
    std::string label;
    std::optional<std::string> description;
    std::optional<Unavailability> unavailable;
    std::function<EncodedAction()> invoke;
    uint8_t operation_type { 1 }; // 1 or 2
    bool predicate { false };
    bool is_destructive { false };
    bool is_privileged { false };
    std::vector<std::string> capabilities;

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
