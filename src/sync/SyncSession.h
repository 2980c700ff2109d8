#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "src/sync/DeviceSyncError.h"
#include "src/sync/MessageReceiver.h"
#include "src/sync/Packet.h"
#include "src/sync/SyncMessage.h"
#include "src/sync/TcpStream.h"
#include "src/sync/noise/HandshakeState.h"

namespace vexa::sync {

// Whether send() gzips a message; only Data payloads are ever compressed.
enum class Compress : uint8_t {
    No,
    Yes,
};

// One established, encrypted connection to a peer. Frames on the wire are a 4-byte
// little-endian ciphertext length followed by the ciphertext (packet + 16-byte tag).
class SyncSession {
public:
    static constexpr uint32_t max_frame_ciphertext = 65'535;

    SyncSession(TcpStream stream, noise::TransportCiphers ciphers, int32_t peer_version, std::string device_name,
        std::string local_key);

    int32_t peer_version() const { return m_peer_version; }
    // The address (as the peer's record gives it) this session was opened to.
    std::string const& address() const { return m_address; }
    void set_address(std::string address) { m_address = std::move(address); }
    bool authorized() const { return m_receiver.authorized(); }
    TcpStream& stream() { return m_stream; }
    MessageReceiver& receiver() { return m_receiver; }

    // Encrypts and writes one packet as a frame.
    SyncErrorOr<void> send_frame(std::span<uint8_t const> packet);
    // Reads and decrypts one frame: the packet inside.
    SyncErrorOr<std::vector<uint8_t>> read_frame();

    // Sends one message as a packet, or as a stream when it does not fit one; Data payloads are
    // gzipped when `compress` says so.
    SyncErrorOr<void> send(Opcode opcode, uint8_t sub_opcode, std::span<uint8_t const> payload, Compress compress);
    SyncErrorOr<void> send_data(uint8_t type, std::span<uint8_t const> payload);

    // The authorized notice: a fresh session identifier and the local device name.
    SyncErrorOr<void> send_authorized_notice();

    // The next message, answering pings and reassembling streams on the way.
    SyncErrorOr<SyncMessage> receive();

    // The same, but gives up (none) once `deadline` has passed after a frame that carried no
    // message: a device pings every few seconds, so a wait on receive() alone would never see
    // its deadline while the peer stays connected.
    SyncErrorOr<std::optional<SyncMessage>> receive_before(std::chrono::steady_clock::time_point deadline);

private:
    // Handles one frame; true when it completed a message, now in `out`.
    SyncErrorOr<bool> receive_frame(SyncMessage& out);

    TcpStream m_stream;
    noise::TransportCiphers m_ciphers;
    int32_t m_peer_version { 0 };
    std::string m_address;
    std::string m_device_name;
    std::string m_local_key;
    uint32_t m_next_stream_id { 0 };
    MessageReceiver m_receiver;
};

// A fresh random UUID, version 4, hyphenated lower case.
std::string random_uuid();

}
