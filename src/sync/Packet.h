#pragma once

#include <cstddef>
#include <cstdint>
#include "base/ErrorOr.h"
#include <span>
#include <string>
#include <vector>

#include "src/sync/DeviceSyncError.h"

// The plaintext of one encrypted frame:
//
//   offset  size      field
//   0       4         size = payload length + 3 (unsigned, little-endian)
//   4       1         opcode
//   5       1         sub-opcode
//   6       1         content encoding (0 raw, 1 gzip)
//   7       size - 3  payload
//
// Stream payloads, which carry messages larger than one frame:
//   StreamStart  id (4) · total size (4) · inner opcode, sub-opcode, encoding (1 each) · first chunk
//   StreamData   id (4) · offset (4) · chunk
//   StreamEnd    id (4) · offset (4) · last chunk
namespace vexa::sync {

enum class Opcode : uint8_t {
    Ping = 0,
    Pong = 1,
    Notify = 2,
    Stream = 3,
    Data = 4,
};

namespace notify {
constexpr uint8_t authorized = 0;
constexpr uint8_t unauthorized = 1;
}

namespace stream_kind {
constexpr uint8_t start = 0;
constexpr uint8_t data = 1;
constexpr uint8_t end = 2;
}

enum class ContentEncoding : uint8_t {
    Raw = 0,
    Gzip = 1,
};

constexpr std::size_t packet_header_size = 7;
constexpr std::size_t max_packet_size = 65'519;                            // one frame's plaintext
constexpr std::size_t max_packet_payload = max_packet_size - packet_header_size; // 65,512
constexpr std::size_t max_message_payload = 8'388'608;                     // 8 MiB
constexpr std::size_t first_chunk_size = max_packet_payload - 11;          // 65,501
constexpr std::size_t later_chunk_size = max_packet_payload - 8;           // 65,504
constexpr std::size_t max_open_streams = 4;

struct PacketError {
    enum class Kind {
        TooShort,
        SizeMismatch,
    };
    Kind kind { Kind::TooShort };
    uint32_t size_field { 0 };
    std::size_t actual { 0 };

    // "packet shorter than header (7 bytes)" or "incomplete packet: size field {} != actual {}".
    std::string text() const;
};

struct Packet {
    uint8_t opcode { 0 };
    uint8_t sub_opcode { 0 };
    uint8_t encoding { 0 };
    std::vector<uint8_t> payload;
};

struct StreamSegment {
    uint32_t stream_id { 0 };
    uint32_t number { 0 }; // the total size in a start, the offset in data and end segments
    std::span<uint8_t const> rest;
};

std::vector<uint8_t> build_packet(uint8_t opcode, uint8_t sub_opcode, uint8_t encoding, std::span<uint8_t const> payload);
base::ErrorOr<Packet, PacketError> parse_packet_header(std::span<uint8_t const> bytes);
SyncErrorOr<StreamSegment> parse_stream_segment_header(std::span<uint8_t const> payload);

// The packets that carry one encoded message: a single packet when it fits, else a stream with
// the given id.
SyncErrorOr<std::vector<std::vector<uint8_t>>> build_message_packets(uint8_t opcode, uint8_t sub_opcode,
    uint8_t encoding, std::span<uint8_t const> encoded, uint32_t stream_id);

void append_u32(std::vector<uint8_t>& out, uint32_t value);
uint32_t read_u32(std::span<uint8_t const> bytes);

}
