#include "src/app/WatchControls.h"

#include <algorithm>

#include "src/app/ActionTree.h"
#include "src/model/VexaModel.h"

namespace vexa {

namespace {

std::optional<kaso::actions::ActionEmitter> emitter_for(kaso::actions::Resource const& resource, std::string_view action_id)
{
    auto binding = kaso::actions::ActionBinding::unit_for(resource, action_id);
    if (!binding)
        return std::nullopt;
    return kaso::actions::ActionEmitter(std::move(*binding));
}

kaso::actions::ControlBinding control_binding(char const* control_id, kaso::actions::ActionEmitter const& emitter)
{
    auto const& binding = emitter.binding();
    return kaso::actions::ControlBinding { control_id, binding.address, binding.spec.label };
}

}

void WatchControls::clear()
{
    m_play_pause.reset();
    m_share.reset();
    m_bound_to.reset();
}

void WatchControls::refresh(VexaModel const& model)
{
    if (!model.route.is(RouteKind::Watch)) {
        clear();
        return;
    }
    auto const& video_id = model.route.text;
    if (m_bound_to == video_id)
        return;
    clear();
    auto tree = app_action_tree(model);
    auto address = "vexa.current:" + video_id;
    auto found = std::find_if(tree.children.begin(), tree.children.end(), [&](kaso::actions::Resource const& child) { return child.address == address; });
    if (found == tree.children.end())
        return;
    m_play_pause = emitter_for(*found, "play-pause");
    m_share = emitter_for(*found, "share");
    m_bound_to = video_id;
}

std::optional<kaso::actions::ControlInvocation> WatchControls::take()
{
    if (m_play_pause)
        if (auto invocation = m_play_pause->pop_control_invocation())
            return invocation;
    if (m_share)
        return m_share->pop_control_invocation();
    return std::nullopt;
}

std::vector<kaso::actions::ControlBinding> WatchControls::bindings() const
{
    std::vector<kaso::actions::ControlBinding> bindings;
    if (m_play_pause)
        bindings.push_back(control_binding(play_pause_control, *m_play_pause));
    if (m_share)
        bindings.push_back(control_binding(share_control, *m_share));
    return bindings;
}

void WatchControls::refresh_availability(kaso::actions::ActionAvailability const& availability)
{
    if (m_play_pause)
        m_play_pause->refresh_availability(availability);
    if (m_share)
        m_share->refresh_availability(availability);
}

}
