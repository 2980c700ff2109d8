#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaso/platform/Queue.h"
#include "src/sync/DeviceSyncMessages.h"
#include "src/sync/DeviceSyncWorker.h"
#include "src/sync/SyncProvider.h"
#include "src/sync/WorkerLifetime.h"

namespace vexa::sync {

// The body of the device-sync worker thread: everything here runs on that thread.
class DeviceSyncWorkerLoop {
public:
    DeviceSyncWorkerLoop(std::unique_ptr<SyncProvider> provider, std::filesystem::path peer_store_path, std::string local_key,
        std::chrono::milliseconds pass_interval, kaso::Receiver<DeviceSyncCommand> commands, kaso::Sender<DeviceSyncUpdate> updates,
        std::shared_ptr<detail::WorkerLifetime> lifetime);
    // A loop whose provider, key and store path `setup` makes when the loop starts running.
    DeviceSyncWorkerLoop(DeviceSyncSetup setup, std::chrono::milliseconds pass_interval, kaso::Receiver<DeviceSyncCommand> commands,
        kaso::Sender<DeviceSyncUpdate> updates, std::shared_ptr<detail::WorkerLifetime> lifetime);

    // Makes the identity when it was deferred, loads and restores the known peers, then serves commands until the queue closes.
    void run();

private:
    bool set_up();
    bool restore_known_peers();
    void handle(DeviceSyncCommand& command);
    void pair(DeviceSyncCommand::Pair& command);
    SyncErrorOr<void> record_paired_peer(std::string const& peer_id);
    void approve(std::string const& peer_id);
    void revoke(std::string const& peer_id);
    void sync_pass(SyncPayload const& payload);

    bool stopping() const;
    void post(std::string message, DeviceSyncState state);
    // The first record with the same key bytes as `peer_id`, or none.
    std::optional<std::size_t> find_by_key(std::vector<PeerRecord> const& records, std::string const& peer_id) const;

    DeviceSyncSetup m_setup; // empty once the identity is made
    std::unique_ptr<SyncProvider> m_provider;
    std::filesystem::path m_peer_store_path;
    std::string m_local_key;
    std::chrono::milliseconds m_pass_interval;
    kaso::Receiver<DeviceSyncCommand> m_commands;
    kaso::Sender<DeviceSyncUpdate> m_updates;
    std::shared_ptr<detail::WorkerLifetime> m_lifetime;

    std::vector<PeerRecord> m_records;
    std::optional<SyncPayload> m_last_payload; // of the last SyncNow, for the periodic pass
};

}
