#include "src/sync/MessageReceiver.h"

#include "src/sync/Gzip.h"

namespace vexa::sync {

namespace {

std::string lossy_utf8(std::span<uint8_t const> bytes)
{
    // Invalid sequences become U+FFFD.
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        uint8_t const lead = bytes[i];
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xe ? 3 : (lead >> 3) == 0x1e ? 4 : 0;
        bool valid = length > 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (bytes[i + k] & 0xc0) == 0x80;
        if (valid && length > 1) {
            uint32_t code = lead & (0xff >> (length + 1));
            for (std::size_t k = 1; k < length; ++k)
                code = code << 6 | (bytes[i + k] & 0x3f);
            static uint32_t const minimum[] = { 0, 0, 0x80, 0x800, 0x10000 };
            valid = code >= minimum[length] && code <= 0x10ffff && !(code >= 0xd800 && code <= 0xdfff);
        }
        if (!valid) {
            out += "\xef\xbf\xbd";
            ++i;
            continue;
        }
        out.append(reinterpret_cast<char const*>(bytes.data() + i), length);
        i += length;
    }
    return out;
}

std::string authorized_device_name(std::span<uint8_t const> payload)
{
    // a · identifier (a bytes) · b · name (b bytes); a short payload gives what is there.
    if (payload.empty())
        return {};
    std::size_t const id_length = payload[0];
    std::size_t const name_length_at = 1 + id_length;
    if (name_length_at >= payload.size())
        return {};
    std::size_t const name_length = payload[name_length_at];
    auto const name = payload.subspan(name_length_at + 1);
    return lossy_utf8(name.first(std::min(name_length, name.size())));
}

}

SyncErrorOr<std::optional<SyncMessage>> decode_message_payload(uint8_t opcode, uint8_t sub_opcode, uint8_t encoding,
    std::vector<uint8_t> payload)
{
    if (opcode != static_cast<uint8_t>(Opcode::Data))
        return std::optional<SyncMessage> {};
    SyncMessage message;
    message.kind = SyncMessage::Kind::Data;
    message.data_type = sub_opcode;
    if (encoding != static_cast<uint8_t>(ContentEncoding::Gzip)) {
        message.payload = std::move(payload);
        return message;
    }
    auto inflated = gzip_decompress_bounded(payload, max_message_payload);
    if (!inflated)
        return transport_error("io: " + inflated.error().message);
    if (inflated->size() > max_message_payload)
        return transport_error("decompressed sync payload exceeds resource bound");
    message.payload = std::move(*inflated);
    return message;
}

bool MessageReceiver::uses_data_type(uint8_t type) const
{
    return !m_used_types || m_used_types->contains(type);
}

bool MessageReceiver::keeps(uint8_t opcode, uint8_t sub_opcode) const
{
    return opcode == static_cast<uint8_t>(Opcode::Data) && uses_data_type(sub_opcode);
}

SyncErrorOr<MessageReceiver::Outcome> MessageReceiver::handle_packet(std::span<uint8_t const> plaintext)
{
    auto parsed = parse_packet_header(plaintext);
    if (!parsed)
        return transport_error("frame decode: " + parsed.error().text());
    auto& packet = *parsed;
    Outcome outcome;
    switch (static_cast<Opcode>(packet.opcode)) {
    case Opcode::Ping:
        outcome.send_pong = true;
        return outcome;
    case Opcode::Pong:
        return outcome;
    case Opcode::Notify:
        if (packet.sub_opcode == notify::authorized) {
            m_authorized = true;
            outcome.message = SyncMessage { SyncMessage::Kind::Authorized, 0, {}, authorized_device_name(packet.payload) };
        } else if (packet.sub_opcode == notify::unauthorized) {
            m_authorized = false;
            outcome.message = SyncMessage { SyncMessage::Kind::Unauthorized, 0, {}, {} };
        }
        return outcome;
    case Opcode::Stream:
        return handle_stream(packet.sub_opcode, packet.payload);
    case Opcode::Data: {
        if (!uses_data_type(packet.sub_opcode))
            return outcome;
        outcome.message = TRY(decode_message_payload(packet.opcode, packet.sub_opcode, packet.encoding, std::move(packet.payload)));
        return outcome;
    }
    }
    return outcome;
}

SyncErrorOr<void> MessageReceiver::append_segment(IncomingStream& stream, StreamSegment const& segment,
    std::string_view offset_mismatch, std::string_view too_long)
{
    if (segment.number != stream.received)
        return transport_error(std::string(offset_mismatch));
    if (segment.rest.size() > stream.total - stream.received)
        return transport_error(std::string(too_long));
    if (stream.keep)
        stream.bytes.insert(stream.bytes.end(), segment.rest.begin(), segment.rest.end());
    stream.received += static_cast<uint32_t>(segment.rest.size());
    return {};
}

SyncErrorOr<MessageReceiver::Outcome> MessageReceiver::handle_stream(uint8_t sub_opcode, std::span<uint8_t const> payload)
{
    Outcome outcome;
    if (sub_opcode == stream_kind::start) {
        if (payload.size() < 11)
            return transport_error("stream segment too short");
        auto segment = TRY(parse_stream_segment_header(payload));
        IncomingStream stream;
        stream.opcode = segment.rest[0];
        stream.sub_opcode = segment.rest[1];
        stream.encoding = segment.rest[2];
        stream.total = segment.number;
        stream.keep = keeps(stream.opcode, stream.sub_opcode);
        auto const chunk = segment.rest.subspan(3);
        bool const drained_data = !stream.keep && stream.opcode == static_cast<uint8_t>(Opcode::Data);
        std::size_t const bound = drained_data ? max_unused_message : max_message_payload;
        if (stream.total > bound || chunk.size() > stream.total || m_streams.size() >= max_open_streams
            || m_streams.contains(segment.stream_id))
            return transport_error("stream declaration exceeds resource bounds");
        if (stream.keep) {
            stream.bytes.reserve(stream.total);
            stream.bytes.assign(chunk.begin(), chunk.end());
        }
        stream.received = static_cast<uint32_t>(chunk.size());
        m_streams.emplace(segment.stream_id, std::move(stream));
        return outcome;
    }

    if (sub_opcode == stream_kind::data) {
        auto segment = TRY(parse_stream_segment_header(payload));
        auto it = m_streams.find(segment.stream_id);
        if (it == m_streams.end())
            return transport_error("stream data for unknown id");
        TRY(append_segment(it->second, segment, "stream offset mismatch", "stream data exceeds declared size"));
        return outcome;
    }

    if (sub_opcode == stream_kind::end) {
        auto segment = TRY(parse_stream_segment_header(payload));
        auto node = m_streams.extract(segment.stream_id);
        if (node.empty())
            return transport_error("stream end for unknown id");
        auto& stream = node.mapped();
        TRY(append_segment(stream, segment, "stream offset mismatch at end", "stream end exceeds declared size"));
        if (stream.received != stream.total)
            return transport_error("reassembled stream size mismatch");
        if (!stream.keep)
            return outcome;
        outcome.message = TRY(decode_message_payload(stream.opcode, stream.sub_opcode, stream.encoding, std::move(stream.bytes)));
        return outcome;
    }
    return outcome;
}

}
