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

// Derives the device key, builds the provider, finds the peer store and starts the worker.
// Never fails: a failed step gives its error's text ("device key unavailable: …", "peer store
// error: …", "Could not start the device-sync worker.") as the status message.
DeviceSyncStart start_device_sync_worker(std::string const& device_name, DeviceSyncSeams seams = {});

}
