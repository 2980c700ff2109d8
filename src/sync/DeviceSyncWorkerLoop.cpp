#include "src/sync/DeviceSyncWorkerLoop.h"

#include <chrono>
#include <cstdint>
#include <utility>

#include <fmt/format.h>

#include "kaso/platform/Log.h"
#include "src/sync/PairingInvite.h"
#include "src/sync/PayloadMerger.h"
#include "src/sync/PeerIdentity.h"
#include "src/sync/PeerStore.h"

namespace vexa::sync {

namespace {

constexpr std::size_t max_peer_records = PeerStore::max_records;

// Whole seconds since the Unix epoch; 0 before it.
uint64_t now_seconds()
{
    auto const since = std::chrono::system_clock::now().time_since_epoch();
    auto const seconds = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    return seconds < 0 ? 0 : static_cast<uint64_t>(seconds);
}

auto logger() { return kaso::log::target("vexa::device_sync"); }

}

DeviceSyncWorkerLoop::DeviceSyncWorkerLoop(std::unique_ptr<SyncProvider> provider, std::filesystem::path peer_store_path,
    std::string local_key, std::chrono::milliseconds pass_interval, kaso::Receiver<DeviceSyncCommand> commands,
    kaso::Sender<DeviceSyncUpdate> updates, std::shared_ptr<detail::WorkerLifetime> lifetime)
    : m_provider(std::move(provider))
    , m_peer_store_path(std::move(peer_store_path))
    , m_local_key(std::move(local_key))
    , m_pass_interval(pass_interval)
    , m_commands(std::move(commands))
    , m_updates(std::move(updates))
    , m_lifetime(std::move(lifetime))
{
}

DeviceSyncWorkerLoop::DeviceSyncWorkerLoop(DeviceSyncSetup setup, std::chrono::milliseconds pass_interval,
    kaso::Receiver<DeviceSyncCommand> commands, kaso::Sender<DeviceSyncUpdate> updates, std::shared_ptr<detail::WorkerLifetime> lifetime)
    : m_setup(std::move(setup))
    , m_pass_interval(pass_interval)
    , m_commands(std::move(commands))
    , m_updates(std::move(updates))
    , m_lifetime(std::move(lifetime))
{
}

bool DeviceSyncWorkerLoop::set_up()
{
    auto setup = std::exchange(m_setup, {});
    auto made = setup();
    if (!made) {
        // As a start that failed on the spot shows it: no devices, no key, nothing to do.
        (void)m_updates.try_send(DeviceSyncUpdate { DeviceSyncStatus { std::move(made.error()), {}, std::nullopt, DeviceSyncState::Unavailable } });
        return false;
    }
    m_provider = std::move(made->provider);
    m_local_key = std::move(made->local_key);
    m_peer_store_path = std::move(made->peer_store_path);
    return true;
}

bool DeviceSyncWorkerLoop::stopping() const
{
    // The application is gone when nobody reads the updates any more.
    return m_lifetime->stop_requested.load() || m_updates.is_closed();
}

void DeviceSyncWorkerLoop::post(std::string message, DeviceSyncState state)
{
    (void)m_updates.try_send(DeviceSyncUpdate { DeviceSyncStatus { std::move(message), m_records, m_local_key, state } });
}

std::optional<std::size_t> DeviceSyncWorkerLoop::find_by_key(std::vector<PeerRecord> const& records, std::string const& peer_id) const
{
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (same_peer_key(records[i].id, peer_id))
            return i;
    }
    return std::nullopt;
}

void DeviceSyncWorkerLoop::run()
{
    if (m_setup && !set_up())
        return;
    if (!restore_known_peers())
        return;
    post(has_active_peer(m_records) ? "Approved devices are ready to sync." : "Paste a Grayjay pairing invite to add your first device.",
        DeviceSyncState::Ready);

    while (!stopping()) {
        auto command = m_commands.receive_for(m_pass_interval);
        if (stopping())
            return;
        if (command) {
            handle(*command);
            continue;
        }
        if (m_commands.is_disconnected())
            return;
        if (m_last_payload) {
            auto const payload = *m_last_payload;
            sync_pass(payload);
        }
    }
}

bool DeviceSyncWorkerLoop::restore_known_peers()
{
    auto loaded = PeerStore::load(m_peer_store_path);
    if (!loaded) {
        post(loaded.error().display(), DeviceSyncState::NeedsAttention);
        return false;
    }
    m_records = std::move(*loaded);
    for (auto const& record : m_records) {
        if (!record.is_active())
            continue;
        if (auto restored = m_provider->restore_peer(record.descriptor); !restored) {
            post(fmt::format("Could not restore {}: {}", record.name, restored.error().display()), DeviceSyncState::NeedsAttention);
            return false;
        }
    }
    return true;
}

void DeviceSyncWorkerLoop::handle(DeviceSyncCommand& command)
{
    if (auto* sync_now = std::get_if<DeviceSyncCommand::SyncNow>(&command.value)) {
        m_last_payload = sync_now->payload;
        sync_pass(sync_now->payload);
    } else if (auto* pairing = std::get_if<DeviceSyncCommand::Pair>(&command.value)) {
        pair(*pairing);
    } else if (auto* approval = std::get_if<DeviceSyncCommand::Approve>(&command.value)) {
        approve(approval->peer_id);
    } else if (auto* revocation = std::get_if<DeviceSyncCommand::Revoke>(&command.value)) {
        revoke(revocation->peer_id);
    }
}

void DeviceSyncWorkerLoop::pair(DeviceSyncCommand::Pair& command)
{
    post("Waiting for approval on the other device…", DeviceSyncState::Pairing);
    auto peer_id = m_provider->pair_with_invite(command.invite_text());
    command.invite.wipe();
    if (!peer_id) {
        post(peer_id.error().display(), DeviceSyncState::NeedsAttention);
        return;
    }
    if (auto recorded = record_paired_peer(*peer_id); !recorded) {
        post(recorded.error().display(), DeviceSyncState::NeedsAttention);
        return;
    }
    post("Device authenticated. Review its fingerprint and approve access.", DeviceSyncState::Ready);
}

SyncErrorOr<void> DeviceSyncWorkerLoop::record_paired_peer(std::string const& peer_id)
{
    // A device is known by its key bytes, whichever base64 form its invite used this time.
    auto const existing = find_by_key(m_records, peer_id);
    if (existing && !m_records[*existing].is_active()) {
        m_provider->forget_peer(peer_id);
        return sync_error(DeviceSyncError::revoked());
    }
    auto descriptor = m_provider->peer_descriptor(peer_id);
    if (!descriptor)
        return sync_error(DeviceSyncError::peer_store("transport did not expose a public peer route"));

    auto records = m_records;
    if (existing) {
        auto& record = records[*existing];
        record.descriptor = std::move(*descriptor);
        record.pending_approval = true;
        record.last_error.reset();
    } else if (records.size() >= max_peer_records) {
        m_provider->forget_peer(peer_id);
        return sync_error(DeviceSyncError::peer_store("the approved-device limit has been reached"));
    } else {
        PeerRecord record;
        record.id = peer_id;
        record.name = "Grayjay " + peer_id.substr(0, 8);
        record.descriptor = std::move(*descriptor);
        record.approved_at = now_seconds();
        record.pending_approval = true;
        records.push_back(std::move(record));
    }
    TRY(PeerStore::save(m_peer_store_path, records));
    m_records = std::move(records);
    return {};
}

void DeviceSyncWorkerLoop::approve(std::string const& peer_id)
{
    auto records = m_records;
    PeerRecord* record = nullptr;
    for (auto& candidate : records) {
        if (candidate.id == peer_id && !candidate.revoked_at) {
            record = &candidate;
            break;
        }
    }
    if (!record)
        return;
    record->pending_approval = false;
    record->approved_at = now_seconds();

    // Checked before anything is saved, so a record that could never be reached is not stored
    // as approved.
    auto const& descriptor = record->descriptor;
    if (!validate_device_info({ descriptor.public_key, descriptor.addresses, descriptor.port, std::nullopt })) {
        post(DeviceSyncError::peer_store("stored peer connection metadata is invalid").display(), DeviceSyncState::NeedsAttention);
        return;
    }
    if (auto saved = PeerStore::save(m_peer_store_path, records); !saved) {
        post(saved.error().display(), DeviceSyncState::NeedsAttention);
        return;
    }
    if (auto restored = m_provider->restore_peer(descriptor); !restored) {
        post(restored.error().display(), DeviceSyncState::NeedsAttention);
        return;
    }
    m_records = std::move(records);
    post("Device approved. Sync is ready.", DeviceSyncState::Ready);
}

void DeviceSyncWorkerLoop::revoke(std::string const& peer_id)
{
    auto records = m_records;
    if (!find_by_key(records, peer_id))
        return;
    auto const now = now_seconds();
    for (auto& record : records) {
        if (!same_peer_key(record.id, peer_id))
            continue;
        record.revoked_at = now;
        record.last_error.reset();
    }
    if (auto saved = PeerStore::save(m_peer_store_path, records); !saved) {
        post(saved.error().display(), DeviceSyncState::NeedsAttention);
        return;
    }
    m_records = std::move(records);
    m_provider->forget_peer(peer_id);
    post("Device revoked. Its key can no longer sync.", DeviceSyncState::Ready);
}

void DeviceSyncWorkerLoop::sync_pass(SyncPayload const& payload)
{
    post("Syncing approved devices…", DeviceSyncState::Syncing);
    PayloadMerger merger;
    int32_t failures = 0;

    std::vector<std::string> ids;
    for (auto const& record : m_records) {
        if (record.is_active())
            ids.push_back(record.id);
    }
    for (auto const& id : ids) {
        if (stopping())
            break;
        std::optional<DeviceSyncError> failure;
        auto pulled = m_provider->pull(id);
        if (pulled) {
            // What arrived before a transport error is kept; the pass still counts as failed.
            merger.add(pulled->payload);
            failure = std::move(pulled->interrupted_by);
        } else {
            failure = std::move(pulled.error());
        }
        if (!failure) {
            if (auto pushed = m_provider->push_subscriptions(id, payload); !pushed)
                failure = std::move(pushed.error());
        }
        for (auto& record : m_records) {
            if (record.id != id)
                continue;
            if (failure) {
                record.last_error = failure->display();
            } else {
                record.last_sync_at = now_seconds();
                record.last_error.reset();
            }
            break;
        }
        if (failure) {
            ++failures;
            logger()->warn("device sync failed peer={} error={}", id, failure->display());
        }
    }

    if (auto saved = PeerStore::save(m_peer_store_path, m_records); !saved) {
        ++failures;
        if (!m_records.empty())
            m_records.front().last_error = saved.error().display();
    }
    auto merged = merger.take();
    if (!merged.empty())
        (void)m_updates.try_send(DeviceSyncUpdate { DeviceSyncUpdate::Pulled { std::move(merged) } });
    if (failures == 0)
        post("Device sync is up to date.", DeviceSyncState::Ready);
    else
        post(fmt::format("{} device operation(s) failed", failures), DeviceSyncState::NeedsAttention);
}

}
