#include "src/sync/Connection.h"

#include <algorithm>

#include <fmt/format.h>

#include "src/sync/Base64.h"

namespace vexa::sync {

namespace {

constexpr std::size_t handshake_buffer = 512;
constexpr uint32_t max_handshake_response = 65'535;

std::unexpected<DeviceSyncError> noise_error(kaso::Error const& error)
{
    return transport_error("noise: " + error.message);
}

}

SyncErrorOr<int32_t> exchange_protocol_version(TcpStream& stream)
{
    std::vector<uint8_t> ours;
    append_u32(ours, static_cast<uint32_t>(local_protocol_version));
    TRY(stream.write_all(ours));
    uint8_t theirs[4];
    TRY(stream.read_exact(theirs));
    auto const version = static_cast<int32_t>(read_u32(theirs));
    if (version < minimum_protocol_version)
        return transport_error(fmt::format("peer protocol version {} < minimum {}", version, minimum_protocol_version));
    return version;
}

SyncErrorOr<SyncSession> noise_handshake_initiator(TcpStream stream, LocalIdentity const& local,
    std::string_view peer_key_text, std::optional<std::string_view> pairing_code)
{
    auto const peer_key_bytes = TRY(decode_base64_any(peer_key_text));
    if (peer_key_bytes.size() != noise::dh_length)
        return transport_error("noise: invalid peer static key length");
    noise::PublicKey peer_key;
    std::copy(peer_key_bytes.begin(), peer_key_bytes.end(), peer_key.begin());

    auto const peer_version = TRY(exchange_protocol_version(stream));

    auto ik = noise::HandshakeState::create({ noise::Pattern::IK, noise::Role::Initiator, {}, local.key.pair, std::nullopt, peer_key });
    if (!ik)
        return noise_error(ik.error());

    std::vector<uint8_t> pairing_message;
    if (pairing_code) {
        auto n = noise::HandshakeState::create({ noise::Pattern::N, noise::Role::Initiator, {}, std::nullopt, std::nullopt, peer_key });
        if (!n)
            return noise_error(n.error());
        auto const* code = reinterpret_cast<uint8_t const*>(pairing_code->data());
        auto message = n->write_message(std::span(code, pairing_code->size()));
        if (!message)
            return noise_error(message.error());
        pairing_message = std::move(*message);
    }

    auto first = ik->write_message({});
    if (!first)
        return noise_error(first.error());
    if (first->size() > handshake_buffer)
        return transport_error("Noise produced an invalid handshake length");

    // total (the bytes after this field) · 0 · pairing length · pairing message · IK message 1
    std::vector<uint8_t> record;
    append_u32(record, static_cast<uint32_t>(8 + pairing_message.size() + first->size()));
    append_u32(record, 0);
    append_u32(record, static_cast<uint32_t>(pairing_message.size()));
    record.insert(record.end(), pairing_message.begin(), pairing_message.end());
    record.insert(record.end(), first->begin(), first->end());
    TRY(stream.write_all(record));

    auto const response = TRY(stream.read_length_prefixed(max_handshake_response, "handshake response too large"));
    auto payload = ik->read_message(response);
    if (!payload)
        return noise_error(payload.error());

    auto const& remote = ik->remote_static();
    if (!remote)
        return transport_error("peer did not present a static key");
    if (*remote != peer_key) {
        auto const presented = encode_base64_standard(*remote);
        return sync_error(DeviceSyncError::pairing(fmt::format("peer key mismatch: expected {}, got {}", peer_key_text, presented)));
    }

    auto ciphers = ik->split();
    if (!ciphers)
        return noise_error(ciphers.error());
    return SyncSession(std::move(stream), std::move(*ciphers), peer_version, local.device_name, local.key.public_key_base64());
}

SyncErrorOr<SyncSession> connect_peer(LocalIdentity const& local, TransportTimeouts const& timeouts,
    SyncDeviceInfo const& peer, std::optional<std::string> pairing_code)
{
    if (peer.addresses.empty())
        return transport_error("no addresses to connect");
    if (!pairing_code)
        pairing_code = peer.pairing_code;

    std::optional<DeviceSyncError> last_error;
    std::optional<TcpStream> connected;
    std::string connected_address;
    auto const connect_deadline = std::chrono::steady_clock::now() + timeouts.connect_overall;
    auto const attempts = std::min(peer.addresses.size(), max_connect_attempts);
    for (std::size_t i = 0; i < attempts; ++i) {
        auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(connect_deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            if (!last_error)
                last_error = DeviceSyncError::transport("io: connection timed out");
            break;
        }
        auto const& address = peer.addresses[i];
        auto stream = TcpStream::connect(address, peer.port, std::min(timeouts.connect, left));
        if (stream) {
            connected = std::move(*stream);
            connected_address = address;
            break;
        }
        last_error = stream.error();
    }
    if (!connected)
        return sync_error(*last_error);

    connected->set_no_delay();
    connected->set_timeouts(timeouts.io, timeouts.io);
    std::optional<std::string_view> code;
    if (pairing_code)
        code = *pairing_code;
    auto session = TRY(noise_handshake_initiator(std::move(*connected), local, peer.public_key, code));
    session.set_address(std::move(connected_address));

    auto const deadline = std::chrono::steady_clock::now() + timeouts.authorization;
    TRY(session.send_authorized_notice());
    // Data that arrives before the peer's notice is not wanted: drained unread.
    session.receiver().set_used_data_types(std::set<uint8_t> {});
    while (true) {
        if (std::chrono::steady_clock::now() >= deadline)
            return transport_error("timed out waiting for peer authorization");
        auto message = TRY(session.receive_before(deadline));
        if (!message)
            continue; // the deadline passed while the peer only pinged
        if (message->kind == SyncMessage::Kind::Authorized)
            break;
        if (message->kind == SyncMessage::Kind::Unauthorized)
            return sync_error(DeviceSyncError::pairing("peer refused authorization"));
    }
    session.receiver().set_used_data_types(std::nullopt);
    return session;
}

}
