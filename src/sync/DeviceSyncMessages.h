#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "src/sync/PeerRecord.h"
#include "src/sync/SecretBytes.h"
#include "src/sync/SyncPayload.h"

// What the application and the device-sync worker say to each other. The application sends
// commands on a bounded queue and drains updates from an unbounded one; these are the values on
// both queues, shared by the worker (here) and the application's handle (src/app/DeviceSync.h).
// Header only, so that both sides can use it without a library of its own.

namespace vexa::sync {

// The worker's status byte. The values are ordered and stable: the settings page names them
// "Unavailable", "Ready", "Pairing…", "Syncing…" and "Needs attention".
enum class DeviceSyncState : uint8_t {
    Unavailable = 0,
    Ready = 1,
    Pairing = 2,
    Syncing = 3,
    NeedsAttention = 4,
};

constexpr std::string_view device_sync_state_label(DeviceSyncState state)
{
    switch (state) {
    case DeviceSyncState::Unavailable:
        return "Unavailable";
    case DeviceSyncState::Ready:
        return "Ready";
    case DeviceSyncState::Pairing:
        return "Pairing…";
    case DeviceSyncState::Syncing:
        return "Syncing…";
    case DeviceSyncState::NeedsAttention:
        return "Needs attention";
    }
    return "Unavailable";
}

// One complete snapshot of what the worker knows; every status replaces the previous one.
struct DeviceSyncStatus {
    std::string message;             // for the user
    std::vector<PeerRecord> peers;   // every record in store order, revoked and pending ones too
    std::optional<std::string> local_key; // this device's key as shown; none without a worker
    DeviceSyncState state { DeviceSyncState::Unavailable };

    bool operator==(DeviceSyncStatus const&) const = default;
};

// A command for the worker, in the fixed order SyncNow, Pair, Approve, Revoke.
struct DeviceSyncCommand {
    // One sync pass over every active peer; the worker remembers the payload for its periodic pass.
    struct SyncNow {
        SyncPayload payload;
    };
    // Pair with the device of an invite. The invite's bytes wipe themselves when the command is
    // dropped, whatever the outcome.
    struct Pair {
        SecretBytes invite;
        std::string_view invite_text() const
        {
            return { reinterpret_cast<char const*>(invite.data()), invite.size() };
        }
    };
    struct Approve {
        std::string peer_id;
    };
    struct Revoke {
        std::string peer_id;
    };

    using Variant = std::variant<SyncNow, Pair, Approve, Revoke>;
    Variant value;
};

// An item of the update queue: a new status snapshot, or what peers sent in a sync pass.
struct DeviceSyncUpdate {
    struct Pulled {
        SyncPayload payload;
    };
    using Variant = std::variant<DeviceSyncStatus, Pulled>;
    Variant value;
};

// The command queue holds at most this many commands; a send beyond it is refused at once.
inline constexpr std::size_t device_sync_command_capacity = 8;

// True when some record is neither revoked nor waiting for approval.
inline bool has_active_peer(std::span<PeerRecord const> records)
{
    for (auto const& record : records) {
        if (record.is_active())
            return true;
    }
    return false;
}

}
