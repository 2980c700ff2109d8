#include "src/app/DeviceSync.h"

#include <algorithm>
#include <span>
#include <utility>

#include "kaso/platform/Clock.h"

namespace vexa {

namespace {

bool is_space(uint8_t byte)
{
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

}

void PairingInviteBuffer::set_text(std::string_view text)
{
    auto bytes = std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size());
    std::lock_guard lock(m_mutex);
    m_text = sync::SecretBytes(bytes);
    ++m_generation;
}

bool PairingInviteBuffer::is_empty() const
{
    std::lock_guard lock(m_mutex);
    return m_text.empty();
}

sync::SecretBytes PairingInviteBuffer::take()
{
    std::lock_guard lock(m_mutex);
    auto bytes = m_text.span();
    auto first = std::find_if_not(bytes.begin(), bytes.end(), is_space);
    auto last = std::find_if_not(bytes.rbegin(), std::reverse_iterator(first), is_space).base();
    sync::SecretBytes trimmed(std::span<uint8_t const>(first, last));
    m_text.wipe();
    ++m_generation;
    return trimmed;
}

std::string PairingInviteBuffer::text() const
{
    std::lock_guard lock(m_mutex);
    auto bytes = m_text.span();
    return std::string(reinterpret_cast<char const*>(bytes.data()), bytes.size());
}

uint64_t PairingInviteBuffer::generation() const
{
    std::lock_guard lock(m_mutex);
    return m_generation;
}

bool PairingInviteBuffer::publish(std::string text)
{
    set_text(text);
    sync::wipe_string(text);
    return true;
}

DeviceSyncHandle::DeviceSyncHandle(DeviceSyncStatus status)
    : m_status(std::move(status))
    , m_pairing_invite(std::make_shared<PairingInviteBuffer>())
{
}

DeviceSyncHandle::DeviceSyncHandle(kaso::Sender<DeviceSyncCommand> commands, kaso::Receiver<DeviceSyncUpdate> updates, DeviceSyncStatus status)
    : m_commands(std::move(commands))
    , m_updates(std::move(updates))
    , m_status(std::move(status))
    , m_pairing_invite(std::make_shared<PairingInviteBuffer>())
{
}

bool DeviceSyncHandle::send_command(DeviceSyncCommand command)
{
    if (!m_commands)
        return false;
    return m_commands->try_send(std::move(command)) == kaso::SendResult::Sent;
}

bool DeviceSyncHandle::request_sync_now(sync::SyncPayload payload)
{
    return send_command({ DeviceSyncCommand::SyncNow { std::move(payload) } });
}

DeviceSyncDrain DeviceSyncHandle::drain_updates()
{
    DeviceSyncDrain drain;
    while (auto update = m_updates.try_receive()) {
        if (auto* status = std::get_if<DeviceSyncStatus>(&update->value)) {
            if (*status == m_status)
                continue;
            m_status = std::move(*status);
            drain.changed = true;
        } else if (auto* pulled = std::get_if<DeviceSyncUpdate::Pulled>(&update->value)) {
            drain.pulled.push_back(std::move(pulled->payload));
        }
    }
    return drain;
}

bool request_device_pairing(DeviceSyncHandle& handle, sync::SecretBytes invite)
{
    if (invite.empty())
        return false;
    return handle.send_command({ DeviceSyncCommand::Pair { std::move(invite) } });
}

bool request_device_approval(DeviceSyncHandle& handle, std::string_view peer_id)
{
    return handle.send_command({ DeviceSyncCommand::Approve { std::string(peer_id) } });
}

bool request_device_revocation(DeviceSyncHandle& handle, std::string_view peer_id)
{
    return handle.send_command({ DeviceSyncCommand::Revoke { std::string(peer_id) } });
}

sync::SecretBytes take_pairing_invite(DeviceSyncHandle const& handle)
{
    return handle.pairing_invite()->take();
}

DeviceSyncHandle start_live_device_sync(std::string const& device_name, sync::DeviceSyncSeams seams)
{
    auto started = sync::start_device_sync_worker(device_name, std::move(seams));
    if (!started.worker)
        return DeviceSyncHandle(std::move(started.status));
    auto [commands, updates] = std::move(*started.worker).release_queues();
    return DeviceSyncHandle(std::move(commands), std::move(updates), std::move(started.status));
}

DeviceSyncHandle unavailable_device_sync()
{
    DeviceSyncStatus status;
    status.message = "Start the live app to initialize device sync.";
    status.state = DeviceSyncState::Unavailable;
    return DeviceSyncHandle(std::move(status));
}

DeviceSyncHandle demo_device_sync(uint64_t now_seconds)
{
    auto demo_peer = [](std::string id, std::string name, std::string key, std::string address) {
        sync::PeerRecord record;
        record.id = std::move(id);
        record.name = std::move(name);
        record.descriptor.public_key = std::move(key);
        record.descriptor.addresses = { std::move(address) };
        record.descriptor.port = 12315;
        return record;
    };
    uint64_t synced_at = now_seconds >= 180 ? now_seconds - 180 : 0;

    auto phone = demo_peer("6A:1C:92:7E:4B:80", "Pixel phone", "visual-active-key", "192.0.2.10");
    phone.approved_at = synced_at;
    phone.last_sync_at = synced_at;
    auto tablet = demo_peer("B5:73:0D:11:9A:CE", "Living-room tablet", "visual-pending-key", "192.0.2.11");
    tablet.approved_at = now_seconds;
    tablet.pending_approval = true;

    DeviceSyncStatus status;
    status.message = "Two devices are ready; one awaits your approval.";
    status.state = DeviceSyncState::Ready;
    status.local_key = "VX7K2M9QPL4RT8WN3HJD";
    status.peers = { std::move(phone), std::move(tablet) };
    return DeviceSyncHandle(std::move(status));
}

DeviceSyncHandle demo_device_sync()
{
    return demo_device_sync(kaso::platform::unix_time_seconds());
}

}
