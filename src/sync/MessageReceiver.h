#pragma once

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string_view>

#include "src/sync/DeviceSyncError.h"
#include "src/sync/Packet.h"
#include "src/sync/SyncMessage.h"

namespace vexa::sync {

// The receiving half of a session above the cipher: parses each decrypted packet, reassembles
// streams within their bounds, decompresses data messages and reports what the session has to
// do. It owns no socket, so every hostile packet can be fed to it directly.
class MessageReceiver {
public:
    // A data kind the caller does not use travels up to this many bytes and is dropped unread.
    static constexpr std::size_t max_unused_message = 10'000'000;

    struct Outcome {
        bool send_pong { false };
        std::optional<SyncMessage> message;
    };

    // Handles one frame's plaintext.
    SyncErrorOr<Outcome> handle_packet(std::span<uint8_t const> plaintext);

    // Restricts the data types that are decoded and returned; every other type is drained and
    // dropped without inflating it. Without a restriction every type is used.
    void set_used_data_types(std::optional<std::set<uint8_t>> types) { m_used_types = std::move(types); }
    bool uses_data_type(uint8_t type) const;

    bool authorized() const { return m_authorized; }
    std::size_t open_streams() const { return m_streams.size(); }

private:
    struct IncomingStream {
        uint8_t opcode { 0 };
        uint8_t sub_opcode { 0 };
        uint8_t encoding { 0 };
        uint32_t total { 0 };
        uint32_t received { 0 };
        bool keep { true }; // false: only counted, never stored
        std::vector<uint8_t> bytes;
    };

    SyncErrorOr<Outcome> handle_stream(uint8_t sub_opcode, std::span<uint8_t const> payload);
    bool keeps(uint8_t opcode, uint8_t sub_opcode) const;
    // Adds a data or end segment to its stream: it has to start where the stream stands and stay
    // within the declared total; the two texts name those failures.
    static SyncErrorOr<void> append_segment(IncomingStream&, StreamSegment const&, std::string_view offset_mismatch,
        std::string_view too_long);

    std::map<uint32_t, IncomingStream> m_streams;
    std::optional<std::set<uint8_t>> m_used_types;
    bool m_authorized { false };
};

// A packet or reassembled stream: nothing for opcodes other than Data, else the data message with
// gzip (encoding 1) inflated within 8 MiB.
SyncErrorOr<std::optional<SyncMessage>> decode_message_payload(uint8_t opcode, uint8_t sub_opcode, uint8_t encoding,
    std::vector<uint8_t> payload);

}
