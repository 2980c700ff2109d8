#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "src/sync/DeviceKey.h"
#include "src/sync/DeviceSyncMessages.h"
#include "src/sync/DeviceSyncWorker.h"
#include "src/sync/GrayjaySyncProvider.h"

namespace vexa::sync {

// What the start needs from outside, each replaceable by a test.
struct DeviceSyncSeams {
    using ProviderFactory = std::function<std::unique_ptr<SyncProvider>(KeyBlock key, std::string const& device_name, ProviderTimeouts timeouts)>;

    SecretSource secrets;                                 // empty: the desktop's secret portal
    ProviderFactory provider;                             // empty: a GrayjaySyncProvider
    std::optional<std::filesystem::path> peer_store_path; // none: peer_store_path()
    std::chrono::milliseconds pass_interval { 300'000 };
    std::chrono::milliseconds pull_window { 20'000 };
    ThreadSpawner spawn;                                  // empty: a detached thread
};

// A started worker with the status to show until it posts its own, or the status of a start
// that failed (no worker, state Unavailable, no key).
struct DeviceSyncStart {
    std::optional<DeviceSyncWorker> worker;
    DeviceSyncStatus status;
};

// Starts the worker, which first derives the device key, builds the provider and finds the peer
// store, on its own thread: the call returns without waiting for the secret portal. Never fails:
// a thread that cannot be made gives "Could not start the device-sync worker." here; a failed
// step on the worker ("device key unavailable: …", "peer store error: …") is the worker's first
// status, with state Unavailable, after which it ends.
DeviceSyncStart start_device_sync_worker(std::string const& device_name, DeviceSyncSeams seams = {});

}
