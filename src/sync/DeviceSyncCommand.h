#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "src/sync/SecretBytes.h"
#include "src/sync/SyncPayload.h"

namespace vexa::sync {

// What the UI thread asks of the device-sync worker. A plain tagged record: each kind uses only
// its own field.
struct DeviceSyncCommand {
    enum class Kind : uint8_t {
        SyncNow, // one pass over every active peer; the payload is remembered for the periodic pass
        Pair,    // pair with the device of an invite
        Approve, // approve a pending record
        Revoke,  // revoke a record
    };

    static DeviceSyncCommand sync_now(SyncPayload payload);
    // The invite travels wiped on release: no copy of it is left in the queue or in a string.
    static DeviceSyncCommand pair(SecretBytes invite);
    static DeviceSyncCommand approve(std::string peer_id);
    static DeviceSyncCommand revoke(std::string peer_id);

    // The invite as text, for the provider; valid while the command lives.
    std::string_view invite_text() const { return { reinterpret_cast<char const*>(invite.data()), invite.size() }; }

    Kind kind { Kind::SyncNow };
    SyncPayload payload; // SyncNow
    SecretBytes invite;  // Pair
    std::string peer_id; // Approve, Revoke
};

}
