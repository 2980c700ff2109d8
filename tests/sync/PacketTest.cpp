#include <gtest/gtest.h>

#include "src/sync/Gzip.h"
#include "src/sync/MessageReceiver.h"
#include "src/sync/Packet.h"
#include "tests/sync/TestSupport.h"

using namespace vexa::sync;
using namespace vexa::sync::test;

namespace {

std::vector<uint8_t> stream_segment(uint32_t id, uint32_t number, std::span<uint8_t const> rest)
{
    std::vector<uint8_t> payload;
    append_u32(payload, id);
    append_u32(payload, number);
    payload.insert(payload.end(), rest.begin(), rest.end());
    return payload;
}

std::vector<uint8_t> stream_start(uint32_t id, uint32_t total, uint8_t opcode, uint8_t sub, uint8_t encoding,
    std::span<uint8_t const> chunk)
{
    std::vector<uint8_t> rest { opcode, sub, encoding };
    rest.insert(rest.end(), chunk.begin(), chunk.end());
    return build_packet(3, stream_kind::start, 0, stream_segment(id, total, rest));
}

std::vector<uint8_t> stream_packet(uint8_t kind, uint32_t id, uint32_t offset, std::span<uint8_t const> chunk)
{
    return build_packet(3, kind, 0, stream_segment(id, offset, chunk));
}

std::string error_of(SyncErrorOr<MessageReceiver::Outcome> const& outcome)
{
    return outcome ? std::string("ok") : outcome.error().display();
}

}

TEST(Packets, HeaderParsing)
{
    auto empty = parse_packet_header(build_packet(4, 150, 0, {}));
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->opcode, 4);
    EXPECT_EQ(empty->sub_opcode, 150);
    EXPECT_TRUE(empty->payload.empty());

    std::vector<uint8_t> six { 3, 0, 0, 0, 0, 0 };
    EXPECT_EQ(parse_packet_header(six).error().text(), "packet shorter than header (7 bytes)");
    EXPECT_EQ(parse_packet_header(std::vector<uint8_t> {}).error().text(), "packet shorter than header (7 bytes)");

    std::vector<uint8_t> twelve(12, 0);
    twelve[0] = 10;
    EXPECT_EQ(parse_packet_header(twelve).error().text(), "incomplete packet: size field 10 != actual 8");
}

TEST(Packets, MessageSplitting)
{
    struct Case {
        std::size_t size;
        std::vector<std::pair<uint8_t, std::size_t>> expected; // (stream kind or 255 for a plain packet, chunk bytes)
        std::vector<uint32_t> offsets;
    };
    std::vector<Case> const cases = {
        { 65'512, { { 255, 65'512 } }, {} },
        { 65'513, { { stream_kind::start, 65'501 }, { stream_kind::end, 12 } }, { 0, 65'501 } },
        { 200'000,
            { { stream_kind::start, 65'501 }, { stream_kind::data, 65'504 }, { stream_kind::data, 65'504 }, { stream_kind::end, 3'491 } },
            { 0, 65'501, 131'005, 196'509 } },
    };
    for (auto const& c : cases) {
        std::vector<uint8_t> message(c.size, 0x5a);
        auto packets = build_message_packets(4, 202, 1, message, 7).value();
        ASSERT_EQ(packets.size(), c.expected.size()) << c.size;
        for (std::size_t i = 0; i < packets.size(); ++i) {
            auto packet = parse_packet_header(packets[i]).value();
            EXPECT_LE(packets[i].size(), max_packet_size);
            if (c.expected[i].first == 255) {
                EXPECT_EQ(packet.opcode, 4);
                EXPECT_EQ(packet.encoding, 1);
                EXPECT_EQ(packet.payload.size(), c.expected[i].second);
                continue;
            }
            EXPECT_EQ(packet.opcode, 3);
            EXPECT_EQ(packet.sub_opcode, c.expected[i].first);
            EXPECT_EQ(packet.encoding, 0);
            auto segment = parse_stream_segment_header(packet.payload).value();
            EXPECT_EQ(segment.stream_id, 7u);
            if (i == 0) {
                EXPECT_EQ(segment.number, c.size);
                EXPECT_EQ(segment.rest[0], 4);
                EXPECT_EQ(segment.rest[1], 202);
                EXPECT_EQ(segment.rest[2], 1);
                EXPECT_EQ(segment.rest.size() - 3, c.expected[i].second);
            } else {
                EXPECT_EQ(segment.number, c.offsets[i]);
                EXPECT_EQ(segment.rest.size(), c.expected[i].second);
            }
        }
    }
    EXPECT_EQ(build_message_packets(4, 202, 1, std::vector<uint8_t>(max_message_payload + 1), 0).error().text,
        "encoded sync payload exceeds resource bound");
}

TEST(Packets, StreamRoundTripThroughReceiver)
{
    std::vector<uint8_t> message(200'000);
    for (std::size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<uint8_t>(i * 7);
    MessageReceiver receiver;
    auto packets = build_message_packets(4, 203, 0, message, 1).value();
    std::optional<SyncMessage> result;
    for (auto const& packet : packets) {
        auto outcome = receiver.handle_packet(packet).value();
        if (outcome.message)
            result = outcome.message;
    }
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->data_type, 203);
    EXPECT_EQ(result->payload, message);
    EXPECT_EQ(receiver.open_streams(), 0u);
}

TEST(Packets, ControlPackets)
{
    MessageReceiver receiver;
    EXPECT_TRUE(receiver.handle_packet(build_packet(0, 0, 0, {})).value().send_pong);
    auto pong = receiver.handle_packet(build_packet(1, 0, 0, {})).value();
    EXPECT_FALSE(pong.send_pong);
    EXPECT_FALSE(pong.message.has_value());

    std::vector<uint8_t> notice { 3, 'a', 'b', 'c', 5, 'P', 'h', 'o', 'n', 'e' };
    auto authorized = receiver.handle_packet(build_packet(2, 0, 0, notice)).value();
    ASSERT_TRUE(authorized.message.has_value());
    EXPECT_EQ(authorized.message->kind, SyncMessage::Kind::Authorized);
    EXPECT_EQ(authorized.message->device_name, "Phone");
    EXPECT_TRUE(receiver.authorized());

    // Declared lengths beyond the payload give what is there; invalid UTF-8 is replaced.
    std::vector<uint8_t> short_notice { 3, 'a', 'b', 'c', 9, 'P', 0xff };
    EXPECT_EQ(receiver.handle_packet(build_packet(2, 0, 0, short_notice)).value().message->device_name, "P\xef\xbf\xbd");
    std::vector<uint8_t> truncated { 40, 'a' };
    EXPECT_EQ(receiver.handle_packet(build_packet(2, 0, 0, truncated)).value().message->device_name, "");

    auto refused = receiver.handle_packet(build_packet(2, 1, 0, {})).value();
    EXPECT_EQ(refused.message->kind, SyncMessage::Kind::Unauthorized);
    EXPECT_FALSE(receiver.authorized());

    for (auto packet : { build_packet(9, 0, 0, {}), build_packet(2, 7, 0, {}), build_packet(3, 9, 0, {}) }) {
        auto ignored = receiver.handle_packet(packet).value();
        EXPECT_FALSE(ignored.message.has_value());
        EXPECT_FALSE(ignored.send_pong);
    }
}

// Every bound of the packet and stream layer refused with its own message.
TEST(Packets, HostileInputTable)
{
    std::vector<uint8_t> chunk(10, 1);
    std::vector<uint8_t> one(1, 1);
    struct Case {
        char const* name;
        std::vector<std::vector<uint8_t>> packets;
        std::string error;
    };
    std::vector<Case> const cases = {
        { "six byte packet", { { 3, 0, 0, 0, 0, 0 } }, "transport error: frame decode: packet shorter than header (7 bytes)" },
        { "size mismatch", { { 10, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0 } }, "transport error: frame decode: incomplete packet: size field 10 != actual 8" },
        { "short start", { build_packet(3, 0, 0, std::vector<uint8_t>(10)) }, "transport error: stream segment too short" },
        { "short data", { build_packet(3, 1, 0, std::vector<uint8_t>(7)) }, "transport error: stream segment too short" },
        { "short end", { build_packet(3, 2, 0, std::vector<uint8_t>(3)) }, "transport error: stream segment too short" },
        { "declared total over 8 MiB", { stream_start(1, 8'388'609, 4, 202, 0, chunk) }, "transport error: stream declaration exceeds resource bounds" },
        { "first chunk beyond total", { stream_start(1, 5, 4, 202, 0, chunk) }, "transport error: stream declaration exceeds resource bounds" },
        { "reused open id", { stream_start(1, 100, 4, 202, 0, chunk), stream_start(1, 100, 4, 202, 0, chunk) }, "transport error: stream declaration exceeds resource bounds" },
        { "fifth stream",
            { stream_start(1, 100, 4, 202, 0, chunk), stream_start(2, 100, 4, 202, 0, chunk), stream_start(3, 100, 4, 202, 0, chunk),
                stream_start(4, 100, 4, 202, 0, chunk), stream_start(5, 100, 4, 202, 0, chunk) },
            "transport error: stream declaration exceeds resource bounds" },
        { "data for unknown id", { stream_packet(1, 9, 0, chunk) }, "transport error: stream data for unknown id" },
        { "data offset mismatch", { stream_start(1, 100, 4, 202, 0, chunk), stream_packet(1, 1, 11, chunk) }, "transport error: stream offset mismatch" },
        { "data beyond total", { stream_start(1, 15, 4, 202, 0, chunk), stream_packet(1, 1, 10, chunk) }, "transport error: stream data exceeds declared size" },
        { "end for unknown id", { stream_packet(2, 9, 0, chunk) }, "transport error: stream end for unknown id" },
        { "end offset mismatch", { stream_start(1, 100, 4, 202, 0, chunk), stream_packet(2, 1, 9, chunk) }, "transport error: stream offset mismatch at end" },
        { "end beyond total", { stream_start(1, 15, 4, 202, 0, chunk), stream_packet(2, 1, 10, chunk) }, "transport error: stream end exceeds declared size" },
        { "end one byte short", { stream_start(1, 21, 4, 202, 0, chunk), stream_packet(2, 1, 10, chunk) }, "transport error: reassembled stream size mismatch" },
        { "bad gzip", { build_packet(4, 202, 1, chunk) }, "transport error: io: incorrect header check" },
    };
    for (auto const& c : cases) {
        MessageReceiver receiver;
        std::string last = "ok";
        for (auto const& packet : c.packets) {
            last = error_of(receiver.handle_packet(packet));
            if (last != "ok")
                break;
        }
        EXPECT_EQ(last, c.error) << c.name;
    }
}

TEST(Packets, GzipBombIsRefusedWithinTheBound)
{
    std::vector<uint8_t> zeros(9 * 1024 * 1024, 0);
    auto bomb = gzip_compress(zeros).value();
    ASSERT_LT(bomb.size(), max_packet_payload);
    MessageReceiver receiver;
    EXPECT_EQ(error_of(receiver.handle_packet(build_packet(4, 202, 1, bomb))),
        "transport error: decompressed sync payload exceeds resource bound");

    auto bounded = gzip_decompress_bounded(bomb, 1000).value();
    EXPECT_EQ(bounded.size(), 1001u);

    std::vector<uint8_t> exact(max_message_payload, 'x');
    auto fits = receiver.handle_packet(build_packet(4, 203, 1, gzip_compress(exact).value())).value();
    ASSERT_TRUE(fits.message.has_value());
    EXPECT_EQ(fits.message->payload.size(), max_message_payload);
}

// Kinds the caller does not use are drained unread, up to 10,000,000 bytes, so a device that
// sends playlists before its history does not end the pull.
TEST(Packets, UnusedKindsAreDrainedUnread)
{
    MessageReceiver receiver;
    receiver.set_used_data_types(std::set<uint8_t> { 202, 203 });
    std::vector<uint8_t> garbage(100, 0xee); // not gzip: proves it is never inflated
    auto single = receiver.handle_packet(build_packet(4, 201, 1, garbage)).value();
    EXPECT_FALSE(single.message.has_value());

    // A 9,000,000-byte stream of an unused kind passes; the same total of a used kind does not.
    uint32_t const total = 9'000'000;
    std::vector<uint8_t> chunk(first_chunk_size, 0xee);
    ASSERT_TRUE(receiver.handle_packet(stream_start(1, total, 4, 201, 1, chunk)).has_value());
    uint32_t offset = static_cast<uint32_t>(chunk.size());
    std::vector<uint8_t> later(later_chunk_size, 0xee);
    while (offset < total) {
        uint32_t const length = std::min<uint32_t>(static_cast<uint32_t>(later.size()), total - offset);
        bool const last = offset + length == total;
        auto outcome = receiver.handle_packet(stream_packet(last ? 2 : 1, 1, offset, std::span(later).first(length)));
        ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
        EXPECT_FALSE(outcome->message.has_value());
        offset += length;
    }
    EXPECT_EQ(receiver.open_streams(), 0u);
    EXPECT_EQ(error_of(receiver.handle_packet(stream_start(2, total, 4, 203, 1, chunk))),
        "transport error: stream declaration exceeds resource bounds");
    EXPECT_EQ(error_of(receiver.handle_packet(stream_start(3, 10'000'001, 4, 201, 1, chunk))),
        "transport error: stream declaration exceeds resource bounds");
}

TEST(Packets, NonDataStreamIsDroppedSilently)
{
    MessageReceiver receiver;
    std::vector<uint8_t> chunk(10, 1);
    ASSERT_TRUE(receiver.handle_packet(stream_start(1, 20, 2, 0, 0, chunk)).has_value());
    auto end = receiver.handle_packet(stream_packet(2, 1, 10, chunk)).value();
    EXPECT_FALSE(end.message.has_value());
    EXPECT_FALSE(receiver.authorized());
}
