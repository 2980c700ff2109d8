// The application's device requests, queued as invocations of its own device-sync resource.

#include "src/app/ActionTree.h"
#include "src/app/AppState.h"

namespace vexa {

bool AppState::queue_device_invocation(std::string_view action_id, std::optional<std::string_view> peer_id)
{
    auto invocation = device_control_invocation(m_device_sync, action_id, peer_id);
    if (!invocation)
        return false;
    m_control_invocations.push(std::move(*invocation));
    return true;
}

}
