#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vexa {

// The device-sync worker's status byte, in the order the settings page names them.
enum class DeviceSyncState : uint8_t {
    Unavailable = 0,
    Ready = 1,
    Pairing = 2,
    Syncing = 3,
    NeedsAttention = 4,
};

struct DeviceSyncStatus {
    std::string message;
    std::optional<std::string> local_key; // this device's key as shown to the user
    DeviceSyncState state { DeviceSyncState::Unavailable };
};

// The application's side of device sync. Without a worker it only carries the status that the
// settings page shows.
struct DeviceSyncHandle {
    DeviceSyncStatus status;
    bool has_worker() const { return false; }
    // Asks the worker for one sync pass; false when the command was dropped (no worker, or its
    // queue is full). Never waits.
    bool request_sync_now() { return false; }
    // Takes what the worker posted since the last frame; answers whether the status changed.
    // FIXME: pulled payloads come back here for import once the worker exists.
    bool drain_updates() { return false; }
};

// The handle of every application that is not the live one: no worker, and a status that says
// how to get one.
DeviceSyncHandle unavailable_device_sync();

// The handle of the "--device-sync" demonstration state.
DeviceSyncHandle demo_device_sync();

}
