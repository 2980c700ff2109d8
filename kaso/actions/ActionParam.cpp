#include "kaso/actions/ActionParam.h"

#include <algorithm>
#include <cstring>

namespace kaso::actions {

namespace {

// Characters of a UTF-8 text: every byte that does not continue a sequence.
std::size_t character_count(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

}

std::string TextSchema::to_json() const
{
    std::string json = R"({"type":"string")";
    if (min_length)
        json += fmt::format(R"(,"minLength":{})", *min_length);
    if (max_length)
        json += fmt::format(R"(,"maxLength":{})", *max_length);
    json += "}";
    return json;
}

std::optional<std::string_view> ActionArgs::text(std::string_view name) const
{
    auto found = values.find(std::string(name));
    if (found == values.end())
        return std::nullopt;
    return std::string_view(found->second);
}

ActionParam const* ActionInput::param(std::string_view name) const
{
    auto found = std::find_if(params.begin(), params.end(), [&](ActionParam const& param) { return param.name == name; });
    return found == params.end() ? nullptr : &*found;
}

ActionInput derive_input(std::vector<ActionParam> params, ActionBuilder build, std::optional<std::string> prompt)
{
    return ActionInput { std::move(params), std::move(prompt), std::move(build) };
}

ErrorOr<void> check_arguments(std::string_view action_id, ActionInput const& input, ActionArguments const& arguments)
{
    for (auto const& [name, value] : arguments) {
        auto const* param = input.param(name);
        if (!param)
            return make_error(fmt::format("ActionSpec: {} has no parameter {}", debug_text(action_id), debug_text(name)));
        if (!param->schema)
            continue;
        auto length = character_count(value);
        if (param->schema->min_length && length < *param->schema->min_length)
            return make_error(fmt::format("ActionSpec: {} of {} is shorter than {} characters", debug_text(name), debug_text(action_id),
                *param->schema->min_length));
        if (param->schema->max_length && length > *param->schema->max_length)
            return make_error(fmt::format("ActionSpec: {} of {} is longer than {} characters", debug_text(name), debug_text(action_id),
                *param->schema->max_length));
    }
    return {};
}

void wipe_text(std::string& text)
{
    if (!text.empty())
        explicit_bzero(text.data(), text.size());
    text.clear();
}

void wipe_arguments(ActionArguments& arguments)
{
    for (auto& [name, value] : arguments)
        wipe_text(value);
    arguments.clear();
}

}
