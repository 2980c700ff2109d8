#include "src/sync/Packet.h"

#include <fmt/format.h>

namespace vexa::sync {

void append_u32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t read_u32(std::span<uint8_t const> bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8
        | static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

std::string PacketError::text() const
{
    if (kind == Kind::TooShort)
        return fmt::format("packet shorter than header ({} bytes)", packet_header_size);
    return fmt::format("incomplete packet: size field {} != actual {}", size_field, actual);
}

std::vector<uint8_t> build_packet(uint8_t opcode, uint8_t sub_opcode, uint8_t encoding, std::span<uint8_t const> payload)
{
    std::vector<uint8_t> packet;
    packet.reserve(packet_header_size + payload.size());
    append_u32(packet, static_cast<uint32_t>(payload.size() + 3));
    packet.push_back(opcode);
    packet.push_back(sub_opcode);
    packet.push_back(encoding);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

base::ErrorOr<Packet, PacketError> parse_packet_header(std::span<uint8_t const> bytes)
{
    if (bytes.size() < packet_header_size)
        return std::unexpected(PacketError { PacketError::Kind::TooShort, 0, bytes.size() });
    uint32_t const size = read_u32(bytes);
    if (size != bytes.size() - 4)
        return std::unexpected(PacketError { PacketError::Kind::SizeMismatch, size, bytes.size() - 4 });
    Packet packet;
    packet.opcode = bytes[4];
    packet.sub_opcode = bytes[5];
    packet.encoding = bytes[6];
    packet.payload.assign(bytes.begin() + packet_header_size, bytes.end());
    return packet;
}

SyncErrorOr<StreamSegment> parse_stream_segment_header(std::span<uint8_t const> payload)
{
    if (payload.size() < 8)
        return transport_error("stream segment too short");
    return StreamSegment { read_u32(payload), read_u32(payload.subspan(4)), payload.subspan(8) };
}

SyncErrorOr<std::vector<std::vector<uint8_t>>> build_message_packets(uint8_t opcode, uint8_t sub_opcode,
    uint8_t encoding, std::span<uint8_t const> encoded, uint32_t stream_id)
{
    std::vector<std::vector<uint8_t>> packets;
    if (encoded.size() <= max_packet_payload) {
        packets.push_back(build_packet(opcode, sub_opcode, encoding, encoded));
        return packets;
    }
    if (encoded.size() > max_message_payload)
        return transport_error("encoded sync payload exceeds resource bound");

    auto const total = static_cast<uint32_t>(encoded.size());
    std::vector<uint8_t> start;
    append_u32(start, stream_id);
    append_u32(start, total);
    start.push_back(opcode);
    start.push_back(sub_opcode);
    start.push_back(encoding);
    start.insert(start.end(), encoded.begin(), encoded.begin() + first_chunk_size);
    packets.push_back(build_packet(static_cast<uint8_t>(Opcode::Stream), stream_kind::start, 0, start));

    std::size_t offset = first_chunk_size;
    while (offset < encoded.size()) {
        std::size_t const length = std::min(later_chunk_size, encoded.size() - offset);
        bool const last = offset + length == encoded.size();
        std::vector<uint8_t> segment;
        segment.reserve(8 + length);
        append_u32(segment, stream_id);
        append_u32(segment, static_cast<uint32_t>(offset));
        segment.insert(segment.end(), encoded.begin() + static_cast<std::ptrdiff_t>(offset),
            encoded.begin() + static_cast<std::ptrdiff_t>(offset + length));
        packets.push_back(build_packet(static_cast<uint8_t>(Opcode::Stream), last ? stream_kind::end : stream_kind::data, 0, segment));
        offset += length;
    }
    return packets;
}

}
