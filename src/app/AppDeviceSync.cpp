// The application's device requests, queued as invocations of its own device-sync resource.

#include "src/app/ActionTree.h"
#include "src/app/AppState.h"

namespace vexa {

bool AppState::queue_device_invocation(std::string_view action_id, std::optional<std::string_view> peer_id)
{
    auto invocation = device_control_invocation(m_device_sync, action_id, peer_id);
    if (!invocation)
        return false;
    // Every device action is a plain operation.
    m_control_invocations.push(ControlInvocation { invocation->address.encode(), OperationType::Plain, std::move(invocation->action) });
    return true;
}

}
