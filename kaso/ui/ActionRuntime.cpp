#include "kaso/ui/ActionRuntime.h"

#include <algorithm>
#include <set>

#include "kaso/actions/ActionRegistry.h"
#include "kaso/actions/LibraryStore.h"
#include "kaso/platform/Log.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui {

using namespace kaso::actions;

namespace {

auto log() { return kaso::log::target("kaso::actions"); }

bool grants(ActionSpec const& spec)
{
    return std::all_of(spec.capabilities.begin(), spec.capabilities.end(), [](std::string const& capability) {
        return std::find(ActionRuntime::granted_capabilities.begin(), ActionRuntime::granted_capabilities.end(), capability)
            != ActionRuntime::granted_capabilities.end();
    });
}

void collect_unavailable(Resource const& resource, std::set<ActionAddress>& unavailable)
{
    for (auto const& spec : resource.actions)
        if (spec.unavailable || !grants(spec))
            unavailable.insert(ActionAddress { resource.address, spec.id });
    for (auto const& child : resource.children)
        collect_unavailable(child, unavailable);
}

ActionSpec const* find_in(Resource const& resource, ActionAddress const& address)
{
    if (resource.address == address.resource) {
        auto found = std::find_if(resource.actions.begin(), resource.actions.end(), [&](ActionSpec const& spec) { return spec.id == address.action; });
        if (found != resource.actions.end())
            return &*found;
    }
    for (auto const& child : resource.children)
        if (auto const* spec = find_in(child, address))
            return spec;
    return nullptr;
}

}

ActionSpec const* find_action(std::vector<Resource> const& tree, ActionAddress const& address)
{
    for (auto const& resource : tree)
        if (auto const* spec = find_in(resource, address))
            return spec;
    return nullptr;
}

void ActionRuntime::refresh_availability(Widget& root)
{
    ActionAvailability availability;
    for (auto const& resource : root.action_resources())
        collect_unavailable(resource, availability.unavailable);
    m_availability = std::move(availability);
    root.refresh_control_action_availability(m_availability);
}

bool ActionRuntime::run(Widget& root, ControlInvocation const& invocation)
{
    auto address = debug_text(invocation.address.encode());
    if (!m_availability.allows(invocation.address)) {
        log()->info("control invocation refused: action unavailable address={}", address);
        return false;
    }
    auto const& kind = invocation.action.kind;
    std::set<std::string> namespaces;
    root.collect_action_namespaces(namespaces);
    if (namespaces.contains(kind)) {
        auto outcome = root.execute_operation(invocation.operation_type, invocation.action);
        if (!outcome) {
            log()->warn("operation not taken address={} kind={}", address, debug_text(kind));
            return false;
        }
        if (!*outcome) {
            log()->warn("operation refused address={} error={}", address, debug_text(outcome->error().message));
            return false;
        }
        return true;
    }
    if (!m_registry || !m_registry->contains(kind)) {
        log()->warn("control invocation of an unknown kind address={} kind={}", address, debug_text(kind));
        return false;
    }
    auto decoded = m_registry->decode(kind, invocation.action.payload);
    if (!decoded) {
        log()->warn("control invocation does not decode address={} error={}", address, debug_text(decoded.error().message));
        return false;
    }
    if (!m_library) {
        log()->warn("control invocation has no document to change address={}", address);
        return false;
    }
    ActionContext context;
    context.resource_id = invocation.address.resource;
    if (auto dispatched = m_library->dispatch(**decoded, invocation.action, context); !dispatched) {
        log()->warn("action dispatch failed address={} error={}", address, debug_text(dispatched.error().message));
        return false;
    }
    return true;
}

void ActionRuntime::drain(Widget& root)
{
    while (auto invocation = root.take_control_invocation())
        run(root, *invocation);
}

bool ActionRuntime::invoke(Widget& root, ActionAddress const& address)
{
    auto tree = root.action_resources();
    auto const* spec = find_action(tree, address);
    if (!spec) {
        log()->warn("no such action address={}", debug_text(address.encode()));
        return false;
    }
    // Fired this way an action gets no arguments: one that asks for some does not build.
    auto action = spec->build_json({});
    if (!action) {
        log()->warn("action does not build address={} error={}", debug_text(address.encode()), debug_text(action.error().message));
        return false;
    }
    return run(root, ControlInvocation { address, std::move(*action), spec->operation_type });
}

bool ActionRuntime::invoke_control(Widget& root, std::string_view control_id)
{
    for (auto const& binding : root.control_action_bindings())
        if (binding.control_id == control_id)
            return invoke(root, binding.address);
    log()->warn("no such control control={}", debug_text(control_id));
    return false;
}

bool ActionRuntime::invoke_address(Widget& root, std::string_view encoded_address)
{
    auto address = ActionAddress::decode(encoded_address);
    if (!address) {
        log()->warn("not an action address address={}", debug_text(encoded_address));
        return false;
    }
    return invoke(root, *address);
}

}
