#include "src/sync/SyncSession.h"

#include <fmt/format.h>
#include <sodium.h>

#include "src/sync/Gzip.h"

namespace vexa::sync {

std::string random_uuid()
{
    (void)noise::ensure_sodium();
    uint8_t bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3f) | 0x80);
    return fmt::format("{:02x}{:02x}{:02x}{:02x}-{:02x}{:02x}-{:02x}{:02x}-{:02x}{:02x}-{:02x}{:02x}{:02x}{:02x}{:02x}{:02x}",
        bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
        bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
}

SyncSession::SyncSession(TcpStream stream, noise::TransportCiphers ciphers, int32_t peer_version,
    std::string device_name, std::string local_key)
    : m_stream(std::move(stream))
    , m_ciphers(std::move(ciphers))
    , m_peer_version(peer_version)
    , m_device_name(std::move(device_name))
    , m_local_key(std::move(local_key))
{
}

SyncErrorOr<void> SyncSession::send_frame(std::span<uint8_t const> packet)
{
    std::vector<uint8_t> frame(4 + packet.size() + noise::tag_length);
    auto encrypted = m_ciphers.send.encrypt_into(std::span(frame).subspan(4), {}, packet);
    if (!encrypted)
        return transport_error("noise: " + encrypted.error().message);
    std::size_t const length = frame.size() - 4;
    if (length > max_frame_ciphertext)
        return transport_error("Noise produced an invalid ciphertext length");
    for (int i = 0; i < 4; ++i)
        frame[static_cast<std::size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
    return m_stream.write_all(frame);
}

SyncErrorOr<std::vector<uint8_t>> SyncSession::read_frame()
{
    auto const ciphertext = TRY(m_stream.read_length_prefixed(max_frame_ciphertext, "frame too large"));
    auto plaintext = m_ciphers.receive.decrypt_with_ad({}, ciphertext);
    if (!plaintext)
        return transport_error("noise: " + plaintext.error().message);
    return std::move(*plaintext);
}

SyncErrorOr<void> SyncSession::send(Opcode opcode, uint8_t sub_opcode, std::span<uint8_t const> payload, Compress compress)
{
    if (payload.size() > max_message_payload)
        return transport_error("outgoing sync payload exceeds resource bound");
    std::vector<uint8_t> compressed;
    std::span<uint8_t const> encoded = payload;
    auto encoding = ContentEncoding::Raw;
    if (opcode == Opcode::Data && compress == Compress::Yes) {
        auto gzipped = gzip_compress(payload);
        if (!gzipped)
            return transport_error("io: " + gzipped.error().message);
        compressed = std::move(*gzipped);
        encoded = compressed;
        encoding = ContentEncoding::Gzip;
    }
    if (encoded.size() > max_message_payload)
        return transport_error("encoded sync payload exceeds resource bound");
    uint32_t stream_id = m_next_stream_id;
    if (encoded.size() > max_packet_payload)
        ++m_next_stream_id;
    auto packets = TRY(build_message_packets(static_cast<uint8_t>(opcode), sub_opcode, static_cast<uint8_t>(encoding), encoded, stream_id));
    for (auto const& packet : packets)
        TRY(send_frame(packet));
    return {};
}

SyncErrorOr<void> SyncSession::send_data(uint8_t type, std::span<uint8_t const> payload)
{
    return send(Opcode::Data, type, payload, Compress::Yes);
}

SyncErrorOr<void> SyncSession::send_authorized_notice()
{
    std::string const id = random_uuid();
    std::string name = m_device_name.substr(0, 255);
    std::vector<uint8_t> payload;
    payload.push_back(static_cast<uint8_t>(id.size()));
    payload.insert(payload.end(), id.begin(), id.end());
    payload.push_back(static_cast<uint8_t>(name.size()));
    payload.insert(payload.end(), name.begin(), name.end());
    return send(Opcode::Notify, notify::authorized, payload, Compress::No);
}

SyncErrorOr<bool> SyncSession::receive_frame(SyncMessage& out)
{
    auto packet = TRY(read_frame());
    auto outcome = TRY(m_receiver.handle_packet(packet));
    if (outcome.send_pong) {
        auto pong = build_packet(static_cast<uint8_t>(Opcode::Pong), 0, 0, {});
        TRY(send_frame(pong));
    }
    if (!outcome.message)
        return false;
    out = std::move(*outcome.message);
    return true;
}

SyncErrorOr<SyncMessage> SyncSession::receive()
{
    SyncMessage message;
    while (!TRY(receive_frame(message))) { }
    return message;
}

SyncErrorOr<std::optional<SyncMessage>> SyncSession::receive_before(std::chrono::steady_clock::time_point deadline)
{
    SyncMessage message;
    while (true) {
        if (TRY(receive_frame(message)))
            return std::optional<SyncMessage>(std::move(message));
        if (std::chrono::steady_clock::now() >= deadline)
            return std::optional<SyncMessage> {};
    }
}

}
