#include "src/sync/DeviceSyncCommand.h"

namespace vexa::sync {

DeviceSyncCommand DeviceSyncCommand::sync_now(SyncPayload payload)
{
    DeviceSyncCommand command;
    command.kind = Kind::SyncNow;
    command.payload = std::move(payload);
    return command;
}

DeviceSyncCommand DeviceSyncCommand::pair(SecretBytes invite)
{
    DeviceSyncCommand command;
    command.kind = Kind::Pair;
    command.invite = std::move(invite);
    return command;
}

DeviceSyncCommand DeviceSyncCommand::approve(std::string peer_id)
{
    DeviceSyncCommand command;
    command.kind = Kind::Approve;
    command.peer_id = std::move(peer_id);
    return command;
}

DeviceSyncCommand DeviceSyncCommand::revoke(std::string peer_id)
{
    DeviceSyncCommand command;
    command.kind = Kind::Revoke;
    command.peer_id = std::move(peer_id);
    return command;
}

}
