#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ErrorOr.h"
#include "kaso/platform/Queue.h"
#include "src/sync/DeviceSyncMessages.h"

namespace vexa::sync {

class SyncProvider;
class DeviceSyncWorkerLoop;

namespace detail {
struct WorkerLifetime;
}

// Runs a thread body somewhere; throws std::system_error when no thread can be made.
using ThreadSpawner = std::function<void(std::function<void()>)>;

// What the worker needs before it can serve: the provider with the device key inside, the key's
// text and where the peer store lives.
struct DeviceSyncIdentity {
    std::unique_ptr<SyncProvider> provider;
    std::string local_key;
    std::filesystem::path peer_store_path;
};

// Makes the identity on the worker's thread, so that a slow step (the secret portal waits for the
// desktop) never holds up the thread that starts the worker. Failure: the text to show.
using DeviceSyncSetup = std::function<base::ErrorOr<DeviceSyncIdentity, std::string>()>;

struct DeviceSyncWorkerOptions {
    std::filesystem::path peer_store_path; // unused by a start with a setup
    // After the first SyncNow, a pass repeats whenever this passes without a command.
    std::chrono::milliseconds pass_interval { 300'000 };
    // Empty: a detached std::thread.
    ThreadSpawner spawn;
};

// The device-sync worker: a thread of its own that owns the provider, the peer records and all
// connections. The UI thread meets it only through two queues, and no call here waits:
//
//   UI thread ── send() ──────► commands (8 entries) ──► worker: pair, approve, revoke, pass
//   UI thread ◄─ take_updates() ◄── updates (unbounded) ◄── status snapshots, pulled payloads
//
// At start the worker loads the peer store and restores every active peer; a failure of either
// is posted and ends the thread. Dropping the object (or `shutdown`) closes the command queue:
// the worker ends at once when it is waiting, and after the peer it is talking to when it is in a
// pass. Nothing joins it.
class DeviceSyncWorker {
public:
    static constexpr std::size_t command_capacity = device_sync_command_capacity;
    static constexpr std::string_view thread_name = "vexa-grayjay-sync";

    // Failure: "Could not start the device-sync worker.".
    static base::ErrorOr<DeviceSyncWorker, std::string> start(std::unique_ptr<SyncProvider> provider, std::string local_key,
        DeviceSyncWorkerOptions options);
    // The same, with the identity made first thing on the worker's thread. A failed setup posts
    // its text with an empty peer list, no key and state Unavailable, and ends the thread.
    static base::ErrorOr<DeviceSyncWorker, std::string> start(DeviceSyncSetup setup, DeviceSyncWorkerOptions options);

    DeviceSyncWorker(DeviceSyncWorker&&) noexcept;
    DeviceSyncWorker& operator=(DeviceSyncWorker&&) noexcept;
    ~DeviceSyncWorker();

    // Offers a command without waiting: false when 8 are queued or the worker has ended.
    bool send(DeviceSyncCommand command);
    // Everything the worker posted since the last call, in order.
    std::vector<DeviceSyncUpdate> take_updates();

    // Closes the command queue; the worker ends as described above.
    void shutdown();
    // Hands the two queue ends to the application's handle; the worker object is left empty.
    // The worker then stops when the handle drops them.
    std::pair<kaso::Sender<DeviceSyncCommand>, kaso::Receiver<DeviceSyncUpdate>> release_queues() &&;

    // Whether the worker thread has returned (it ends by itself after a failed start-up step).
    bool has_ended() const;
    bool wait_until_ended(std::chrono::milliseconds timeout) const;

private:
    static base::ErrorOr<DeviceSyncWorker, std::string> launch(std::shared_ptr<DeviceSyncWorkerLoop> loop,
        kaso::Sender<DeviceSyncCommand> commands, kaso::Receiver<DeviceSyncUpdate> updates,
        std::shared_ptr<detail::WorkerLifetime> lifetime, ThreadSpawner const& spawn);

    DeviceSyncWorker(kaso::Sender<DeviceSyncCommand> commands, kaso::Receiver<DeviceSyncUpdate> updates,
        std::shared_ptr<detail::WorkerLifetime> lifetime);

    kaso::Sender<DeviceSyncCommand> m_commands;
    kaso::Receiver<DeviceSyncUpdate> m_updates;
    std::shared_ptr<detail::WorkerLifetime> m_lifetime;
};

// The name the system is given for a thread: Linux keeps at most 15 bytes.
std::string system_thread_name(std::string_view name);

}
