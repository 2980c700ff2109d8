#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/actions/EncodedAction.h"
#include "kaso/platform/Error.h"

namespace kaso::actions {

// Named text arguments of an invocation.
using ActionArguments = std::map<std::string, std::string>;

// The JSON-schema keywords a text parameter may carry; lengths count characters (code points).
struct TextSchema {
    std::optional<std::size_t> min_length; // "minLength"
    std::optional<std::size_t> max_length; // "maxLength"

    // The schema object, e.g. {"type":"string","minLength":1,"maxLength":16384}.
    std::string to_json() const;
    bool operator==(TextSchema const&) const = default;
};

// One named text an action asks for when invoked.
struct ActionParam {
    std::string name;
    std::string description;
    std::string placeholder;
    std::optional<TextSchema> schema;

    ActionParam with_schema(TextSchema text_schema) &&
    {
        schema = text_schema;
        return std::move(*this);
    }
};

// The arguments as an action's closure reads them.
struct ActionArgs {
    ActionArguments const& values;

    // The argument named `name`, or none when it was not given.
    std::optional<std::string_view> text(std::string_view name) const;
};

using ActionBuilder = std::function<ErrorOr<EncodedAction>(ActionArgs const&)>;

// What an action with parameters asks for and how it turns the answers into its encoded action.
struct ActionInput {
    std::vector<ActionParam> params;
    std::optional<std::string> prompt; // shown above the fields
    ActionBuilder build;

    ActionParam const* param(std::string_view name) const;
};

// The input of an action from its parameters, its closure and its prompt.
ActionInput derive_input(std::vector<ActionParam> params, ActionBuilder build, std::optional<std::string> prompt = std::nullopt);

// Checks `arguments` against the parameters: each must name one, and a present value must meet
// its schema. Errors name the parameter and never quote the value, which may be a secret.
ErrorOr<void> check_arguments(std::string_view action_id, ActionInput const& input, ActionArguments const& arguments);

// Overwrites a text that held a secret with zeros and empties it.
void wipe_text(std::string& text);
void wipe_arguments(ActionArguments& arguments);

}
