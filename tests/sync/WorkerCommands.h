#pragma once

#include <string>
#include <string_view>

#include "src/sync/DeviceSyncMessages.h"

namespace vexa::sync::test {

inline DeviceSyncCommand sync_now_command(SyncPayload payload) { return { DeviceSyncCommand::SyncNow { std::move(payload) } }; }
inline DeviceSyncCommand pair_command(std::string_view invite)
{
    return { DeviceSyncCommand::Pair { SecretBytes(std::span(reinterpret_cast<uint8_t const*>(invite.data()), invite.size())) } };
}
inline DeviceSyncCommand approve_command(std::string id) { return { DeviceSyncCommand::Approve { std::move(id) } }; }
inline DeviceSyncCommand revoke_command(std::string id) { return { DeviceSyncCommand::Revoke { std::move(id) } }; }

}
