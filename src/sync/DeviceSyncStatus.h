#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "src/sync/PeerRecord.h"
#include "src/sync/SyncPayload.h"

namespace vexa::sync {

// The worker's status byte. The settings page names them "Unavailable", "Ready", "Pairing…",
// "Syncing…" and "Needs attention".
enum class DeviceSyncState : uint8_t {
    Unavailable = 0,
    Ready = 1,
    Pairing = 2,
    Syncing = 3,
    NeedsAttention = 4,
};

// One complete snapshot of the worker, posted after every step that changes it.
struct DeviceSyncStatus {
    std::string message;                  // for the user
    std::vector<PeerRecord> peers;        // every record, revoked and pending included, store order
    std::optional<std::string> local_key; // this device's public key, standard base64 (44 characters)
    DeviceSyncState state { DeviceSyncState::Unavailable };

    bool operator==(DeviceSyncStatus const&) const = default;
};

// An item of the worker's update queue: a status snapshot, or what peers sent in one pass.
struct DeviceSyncUpdate {
    enum class Kind : uint8_t { Status, Pulled };

    static DeviceSyncUpdate of_status(DeviceSyncStatus status) { return { Kind::Status, std::move(status), {} }; }
    static DeviceSyncUpdate of_pulled(SyncPayload payload) { return { Kind::Pulled, {}, std::move(payload) }; }

    Kind kind { Kind::Status };
    DeviceSyncStatus status; // Status only
    SyncPayload pulled;      // Pulled only
};

}
