#include "tests/sync/FakeProvider.h"

#include <chrono>

#include "src/sync/PairingInvite.h"
#include "src/sync/PeerIdentity.h"

namespace vexa::sync::test {

SyncErrorOr<std::string> FakeProvider::pair_with_invite(std::string_view invite)
{
    std::lock_guard lock(m_shared->mutex);
    std::string const text(invite);
    m_shared->log.calls.push_back("pair " + text);
    auto it = m_shared->script.pairings.find(text);
    if (it == m_shared->script.pairings.end())
        return sync_error(DeviceSyncError::pairing("peer refused authorization"));
    if (it->second)
        m_shared->log.table[*it->second] = { *it->second, { "192.0.2.1" }, 12315 };
    return it->second;
}

SyncErrorOr<void> FakeProvider::push_subscriptions(std::string const& peer_id, SyncPayload const& payload)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->log.calls.push_back("push " + peer_id);
    m_shared->pushed.push_back(payload);
    if (auto it = m_shared->script.push_failures.find(peer_id); it != m_shared->script.push_failures.end())
        return sync_error(it->second);
    return {};
}

SyncErrorOr<PullResult> FakeProvider::pull(std::string const& peer_id)
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->log.calls.push_back("pull " + peer_id);
    if (m_shared->script.hold_pulls) {
        ++m_shared->log.pulls_waiting;
        m_shared->changed.notify_all();
        m_shared->changed.wait(lock, [&] { return !m_shared->script.hold_pulls; });
        --m_shared->log.pulls_waiting;
    }
    if (auto it = m_shared->script.pulls.find(peer_id); it != m_shared->script.pulls.end())
        return it->second;
    return PullResult {};
}

SyncErrorOr<void> FakeProvider::restore_peer(PeerDescriptor const& descriptor)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->log.calls.push_back("restore " + descriptor.public_key);
    if (!validate_device_info({ descriptor.public_key, descriptor.addresses, descriptor.port, std::nullopt }))
        return sync_error(DeviceSyncError::peer_store("stored peer connection metadata is invalid"));
    m_shared->log.table[descriptor.public_key] = descriptor;
    return {};
}

void FakeProvider::forget_peer(std::string const& peer_id)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->log.calls.push_back("forget " + peer_id);
    std::erase_if(m_shared->log.table, [&](auto const& entry) { return same_peer_key(entry.first, peer_id); });
}

std::optional<PeerDescriptor> FakeProvider::peer_descriptor(std::string const& peer_id) const
{
    std::lock_guard lock(m_shared->mutex);
    auto it = m_shared->log.table.find(peer_id);
    if (it == m_shared->log.table.end())
        return std::nullopt;
    return it->second;
}

void release_pulls(FakeProvider::Shared& shared)
{
    {
        std::lock_guard lock(shared.mutex);
        shared.script.hold_pulls = false;
    }
    shared.changed.notify_all();
}

bool wait_for_held_pulls(FakeProvider::Shared& shared, int count)
{
    std::unique_lock lock(shared.mutex);
    return shared.changed.wait_for(lock, std::chrono::seconds(5), [&] { return shared.log.pulls_waiting >= count; });
}

}
