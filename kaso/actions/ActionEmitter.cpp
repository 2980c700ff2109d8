#include "kaso/actions/ActionEmitter.h"

#include <algorithm>

#include "kaso/platform/Log.h"

namespace kaso::actions {

std::optional<ActionAddress> ActionAddress::decode(std::string_view text)
{
    auto hash = text.rfind('#');
    if (hash == std::string_view::npos)
        return std::nullopt;
    return ActionAddress { std::string(text.substr(0, hash)), std::string(text.substr(hash + 1)) };
}

namespace {

// Holds a static binding's arguments and wipes them when the last copy of the binding goes.
struct HeldArguments {
    ActionArguments values;
    ~HeldArguments() { wipe_arguments(values); }
};

}

ErrorOr<ActionBinding> ActionBinding::unit_for(Resource const& resource, std::string_view action_id)
{
    auto found = std::find_if(resource.actions.begin(), resource.actions.end(), [&](ActionSpec const& spec) { return spec.id == action_id; });
    if (found == resource.actions.end())
        return make_error(fmt::format("ActionBinding: resource {} offers no action {}", debug_text(resource.address), debug_text(action_id)));
    ActionBinding binding;
    binding.address = ActionAddress { resource.address, found->id };
    binding.spec = *found;
    binding.arguments = [] { return ActionArguments {}; };
    return binding;
}

ErrorOr<ActionBinding> ActionBinding::static_json(Resource const& resource, std::string_view action_id, ActionArguments arguments)
{
    auto held = std::make_shared<HeldArguments>();
    held->values = std::move(arguments);
    auto binding = TRY(unit_for(resource, action_id));
    binding.arguments = [held] { return held->values; };
    return binding;
}

ErrorOr<ControlInvocation> unit_binding_invocation(ActionBinding const& binding)
{
    auto arguments = binding.arguments ? binding.arguments() : ActionArguments {};
    // An argument to an action without parameters is a mistake of the binding.
    if (!binding.spec.input && !arguments.empty())
        return make_error(fmt::format("ActionBinding: {} takes no arguments, given {}", debug_text(binding.address.encode()),
            debug_text(arguments.begin()->first)));
    auto action = binding.spec.build_json(arguments);
    wipe_arguments(arguments);
    if (!action)
        return make_error(fmt::format("ActionBinding: {}: {}", debug_text(binding.address.encode()), action.error().message));
    return ControlInvocation { binding.address, std::move(*action), binding.spec.operation_type };
}

ActionEmitter::ActionEmitter(ActionBinding binding)
    : m_binding(std::move(binding))
{
}

ErrorOr<void> ActionEmitter::emit()
{
    if (!m_available)
        return {};
    auto invocation = TRY(unit_binding_invocation(m_binding));
    if (m_backlog.size() >= max_backlog) {
        m_backlog.pop_front();
        kaso::log::target("kaso::actions")
            ->warn("control invocation backlog full; evicting oldest intent address={}", debug_text(m_binding.address.encode()));
    }
    m_backlog.push_back(std::move(invocation));
    return {};
}

void ActionEmitter::refresh_availability(ActionAvailability const& availability)
{
    m_available = availability.allows(m_binding.address);
    if (!m_available)
        m_backlog.clear();
}

std::optional<ControlInvocation> ActionEmitter::pop_control_invocation()
{
    if (m_backlog.empty())
        return std::nullopt;
    auto invocation = std::move(m_backlog.front());
    m_backlog.pop_front();
    return invocation;
}

}
