#include "src/sync/GrayjaySyncProvider.h"

#include <fmt/format.h>

#include "kaso/platform/Log.h"
#include "src/sync/PairingInvite.h"
#include "src/sync/PeerIdentity.h"
#include "src/sync/SecretBytes.h"
#include "src/sync/SyncMessages.h"

namespace vexa::sync {

namespace {

std::span<uint8_t const> bytes_of(std::string const& text)
{
    return { reinterpret_cast<uint8_t const*>(text.data()), text.size() };
}

}

GrayjaySyncProvider::GrayjaySyncProvider(KeyBlock key, std::string device_name, ProviderTimeouts timeouts)
    : m_key(std::move(key))
    , m_device_name(std::move(device_name))
    , m_timeouts(timeouts)
{
}

std::string GrayjaySyncProvider::name() const
{
    return "grayjay-sync (Noise IK over TCP 12315)";
}

SyncErrorOr<std::string> GrayjaySyncProvider::pair_with_invite(std::string_view invite)
{
    auto info = TRY(decode_pairing_invite(invite));
    auto code = std::move(info.pairing_code);
    info.pairing_code.reset();
    auto timeouts = m_timeouts.transport;
    timeouts.authorization = m_timeouts.pairing_authorization;
    auto session = connect_peer(identity(), timeouts, info, code);
    if (code)
        wipe_string(*code);
    code.reset();
    if (!session)
        return std::unexpected(session.error());
    // The address that answered goes first, then the invite's others, to the stored bound.
    std::vector<std::string> addresses { session->address() };
    for (auto const& address : info.addresses) {
        if (addresses.size() == max_peer_addresses)
            break;
        if (address != session->address())
            addresses.push_back(address);
    }
    info.addresses = std::move(addresses);
    std::string id = info.public_key;
    m_peers.insert_or_assign(id, std::move(info));
    return id;
}

SyncErrorOr<void> GrayjaySyncProvider::restore_peer(PeerDescriptor const& descriptor)
{
    SyncDeviceInfo info { descriptor.public_key, descriptor.addresses, descriptor.port, std::nullopt };
    if (!validate_device_info(info))
        return sync_error(DeviceSyncError::peer_store("stored peer connection metadata is invalid"));
    m_peers.insert_or_assign(info.public_key, std::move(info));
    return {};
}

void GrayjaySyncProvider::forget_peer(std::string const& peer_id)
{
    std::erase_if(m_peers, [&](auto const& entry) { return same_peer_key(entry.first, peer_id); });
}

SyncDeviceInfo const* GrayjaySyncProvider::find_peer(std::string const& peer_id) const
{
    if (auto it = m_peers.find(peer_id); it != m_peers.end())
        return &it->second;
    for (auto const& [key, info] : m_peers) {
        if (same_peer_key(key, peer_id))
            return &info;
    }
    return nullptr;
}

std::optional<PeerDescriptor> GrayjaySyncProvider::peer_descriptor(std::string const& peer_id) const
{
    auto const* info = find_peer(peer_id);
    if (!info)
        return std::nullopt;
    return PeerDescriptor { info->public_key, info->addresses, info->port };
}

SyncErrorOr<SyncSession> GrayjaySyncProvider::connect_known(std::string const& peer_id)
{
    auto const* info = find_peer(peer_id);
    if (!info)
        return sync_error(DeviceSyncError::pairing(fmt::format("unknown peer {}", peer_id)));
    return connect_peer(identity(), m_timeouts.transport, *info, std::nullopt);
}

SyncErrorOr<PullResult> GrayjaySyncProvider::pull(std::string const& peer_id)
{
    auto session = TRY(connect_known(peer_id));
    auto state = encode_session_state(public_key_base64());
    if (!state)
        return transport_error(fmt::format("encode state-exchange: {}", state.error().message));
    TRY(session.send_data(data_type::state_exchange, bytes_of(*state)));

    // Playlists, watch later and the like arrive too, often first; they are drained unread.
    session.receiver().set_used_data_types(std::set<uint8_t> { data_type::subscriptions_package, data_type::history });
    PullResult outcome;
    auto& result = outcome.payload;
    bool package_seen = false;
    auto const deadline = std::chrono::steady_clock::now() + m_timeouts.pull_window;
    while (std::chrono::steady_clock::now() < deadline) {
        auto received = session.receive_before(deadline);
        if (!received) {
            kaso::log::target("vexa::sync")->info("pull ended peer={} reason={}", peer_id, received.error().display());
            // A device never closes after answering, so a silent one ends at the read time-out;
            // anything else (a drop, a reset, a frame that does not decrypt) cut the pull short.
            if (!received.error().timed_out)
                outcome.interrupted_by = received.error();
            break;
        }
        if (!received->has_value())
            break; // the window closed while the peer only pinged
        auto& message = *received;
        if (message->kind == SyncMessage::Kind::Data) {
            if (message->data_type == data_type::subscriptions_package) {
                if (auto urls = parse_subscriptions_package(message->payload)) {
                    result.subscriptions = std::move(*urls);
                    package_seen = true;
                } else {
                    kaso::log::target("vexa::sync")->warn("skipped an unreadable subscriptions package peer={}", peer_id);
                }
            } else if (message->data_type == data_type::history) {
                auto urls = parse_history(message->payload);
                if (!urls)
                    kaso::log::target("vexa::sync")->warn("skipped an unreadable history list peer={}", peer_id);
                result.history = urls.value_or(std::vector<std::string> {});
            }
        }
        if (package_seen && std::chrono::steady_clock::now() + std::chrono::milliseconds(500) >= deadline)
            break;
    }
    return outcome;
}

SyncErrorOr<void> GrayjaySyncProvider::push_subscriptions(std::string const& peer_id, SyncPayload const& payload)
{
    auto session = TRY(connect_known(peer_id));
    // The device adds a pushed subscription only when its creation time is later than its own
    // removal of that channel. This library keeps no subscription times, so 0 is sent: a channel
    // removed on the device stays removed.
    auto package = encode_subscriptions_package(payload.subscriptions, 0);
    if (!package)
        return transport_error(fmt::format("encode subscriptions: {}", package.error().message));
    auto sent = session.send_data(data_type::subscriptions_package, bytes_of(*package));
    session.stream().shutdown_and_drain(m_timeouts.push_drain);
    return sent;
}

}
