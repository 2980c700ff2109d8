#include "automerge/storage/Change.h"
#include "automerge/storage/Compression.h"
#include "automerge/storage/Leb128.h"
#include "automerge/storage/Reader.h"
#include "automerge/storage/Sha256.h"
#include "automerge/storage/columns/Decoders.h"
#include "automerge/storage/columns/Encoders.h"
#include "tests/automerge/Support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

using namespace automerge;
using namespace automerge::storage;

TEST(Sha256, AcceleratedMatchesPortableAtEveryLength)
{
    std::vector<uint8_t> data(700);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 131 + 7);
    for (size_t length = 0; length < data.size(); ++length) {
        for (size_t split : { size_t(0), length / 3, length }) {
            uint8_t fast[32], portable[32];
            auto first = std::span(data).first(split);
            auto second = std::span(data).subspan(split, length - split);
            sha256_two_parts(first, second, fast);
            sha256_portable(first, second, portable);
            ASSERT_EQ(test::hex(fast), test::hex(portable)) << length << " " << split;
        }
    }
}

TEST(Leb128, RoundTripsExtremes)
{
    for (int64_t value : { INT64_MIN, int64_t(-65), int64_t(-64), int64_t(-1), int64_t(0), int64_t(63), int64_t(64), INT64_MAX }) {
        std::vector<uint8_t> bytes;
        write_sleb(bytes, value);
        Reader reader(bytes);
        EXPECT_EQ(reader.sleb("test").value(), value);
        EXPECT_TRUE(reader.at_end());
    }
    for (uint64_t value : { uint64_t(0), uint64_t(127), uint64_t(128), UINT64_MAX }) {
        std::vector<uint8_t> bytes;
        write_uleb(bytes, value);
        Reader reader(bytes);
        EXPECT_EQ(reader.uleb("test").value(), value);
    }
}

TEST(RleEncoder, WritesRunsLiteralsAndNullsAsTheReference)
{
    struct Case {
        std::vector<std::optional<uint64_t>> values;
        std::string hex;
    };
    std::vector<Case> cases {
        { {}, "" },
        { { std::nullopt, std::nullopt }, "" },
        { { 5 }, "7f05" },
        { { 5, 5, 5 }, "0305" },
        { { 1, 2, 3 }, "7d010203" },
        { { 1, 2, 2 }, "7f010202" },
        { { std::nullopt, std::nullopt, 7 }, "00027f07" },
        { { 7, std::nullopt }, "7f070001" },
        { { 1, 1, std::nullopt, 2, 3 }, "020100017e0203" },
    };
    for (auto const& c : cases) {
        RleEncoder<uint64_t> encoder;
        for (auto const& value : c.values)
            encoder.append(value);
        auto encoded = encoder.finish();
        EXPECT_EQ(test::hex(encoded), c.hex);
        // And back.
        RleDecoder<uint64_t> decoder(encoded, "test");
        std::vector<std::optional<uint64_t>> decoded;
        std::optional<uint64_t> value;
        while (decoder.next(value).value())
            decoded.push_back(value);
        // A column that ends in nulls only writes them when values came first.
        auto expected = c.values;
        bool only_nulls = std::ranges::all_of(expected, [](auto const& v) { return !v; });
        if (only_nulls)
            expected.clear();
        EXPECT_EQ(decoded, expected) << c.hex;
    }
}

// A change of one op is written directly; the bytes must be those of the column encoders for
// every shape of op, including the ones it hands to them (element keys, several preds).
TEST(ChangeEncoder, SingleOpBodyMatchesTheColumnEncoders)
{
    ChangeHash dep;
    dep.bytes.fill(0x5a);
    std::vector<ActorId> others { ActorId(std::vector<uint8_t>(16, 0x11)) };
    std::vector<uint8_t> actor(16, 0xcc);
    std::vector<uint8_t> extra { 1, 2, 3 };
    std::string long_key(200, 'k');
    OpKey element_key;
    element_key.element = OpRef { 7, 1 };
    std::vector<OpRef> no_preds;
    std::vector<OpRef> one_pred { { 300, 1 } };
    std::vector<OpRef> two_preds { { 3, 0 }, { 3, 1 } };
    std::vector<ScalarValue> values {
        ScalarValue::null(), ScalarValue::boolean(true), ScalarValue::boolean(false), ScalarValue::integer(-70000),
        ScalarValue::uinteger(1ull << 40), ScalarValue::f64(-0.5), ScalarValue::str("{\"present\":true}"), ScalarValue::bytes({ 0, 255 }),
        ScalarValue::counter(5), ScalarValue::timestamp(1700000000000), ScalarValue::unknown(12, { 9 }),
    };
    ChangeEncoder single;
    ChangeEncoder general;
    std::vector<uint8_t> expected;
    std::vector<uint8_t> actual;
    size_t cases = 0;
    for (auto const& value : values) {
        for (auto const* pred : { &no_preds, &one_pred, &two_preds }) {
            for (int shape = 0; shape < 5; ++shape) {
                ChangeOpView op;
                op.value = value.is_null() && shape == 0 ? nullptr : &value;
                op.pred = *pred;
                op.action = value.is_null() ? 3 : 1;
                op.key = shape == 1 ? std::string_view() : shape == 2 ? std::string_view(long_key) : std::string_view("video000001");
                if (shape >= 2)
                    op.obj = OpRef { 1ull << 33, 1 };
                if (shape == 3)
                    op.insert = true;
                if (shape == 4)
                    op.element_key = &element_key;
                ChangeHeader header;
                header.deps = std::span(&dep, shape % 2);
                header.actor = actor;
                header.seq = 12;
                header.start_op = 400;
                header.time = -3 + shape;
                if (shape == 2)
                    header.message = "a message";
                header.other_actors = others;
                if (shape == 3)
                    header.extra = extra;
                general.add(op);
                general.finish_into(header, expected);
                single.encode_single_into(header, op, actual);
                ASSERT_EQ(test::hex(actual), test::hex(expected)) << value.debug_text() << " preds " << pred->size() << " shape " << shape;
                ++cases;
            }
        }
    }
    EXPECT_EQ(cases, values.size() * 15);
}

TEST(BooleanEncoder, AlternatesRunsStartingWithFalse)
{
    BooleanEncoder encoder;
    for (bool value : { true, true, false, true })
        encoder.append(value);
    EXPECT_EQ(test::hex(encoder.finish()), "00020101");
}

// Large columns are deflated in segments, each with matching or with Huffman codes alone as
// its bytes call for; the stream must stay one valid stream across every switch, and each kind
// of segment must still shrink as far as its kind allows.
TEST(Deflate, SegmentsOfEveryKindRoundTripInOneStream)
{
    uint32_t state = 23;
    auto random = [&] {
        state = state * 1664525u + 1013904223u;
        return static_cast<uint8_t>(state >> 24);
    };
    auto records = [&](std::vector<uint8_t>& out, size_t size) {
        for (size_t i = 0; out.size() < size; ++i) {
            auto text = "{\"present\":true,\"watched_at_ms\":" + std::to_string(1700000000000 + i * 977) + "}";
            out.insert(out.end(), text.begin(), text.end());
        }
    };
    auto bytes = [&](std::vector<uint8_t>& out, size_t size) {
        while (out.size() < size)
            out.push_back(random());
    };
    auto small_alphabet = [&](std::vector<uint8_t>& out, size_t size) {
        while (out.size() < size)
            out.push_back(static_cast<uint8_t>('A' + random() % 32));
    };
    std::vector<uint8_t> mixed;
    records(mixed, 100000);
    bytes(mixed, 230000);
    records(mixed, 300000);
    small_alphabet(mixed, 500000);
    records(mixed, 500001);
    std::vector<uint8_t> only_random, only_text, only_records;
    bytes(only_random, 300000);
    small_alphabet(only_text, 300000);
    records(only_records, 300000);
    // The largest deflated size each may have: random bytes in stored blocks, about 5 bits a letter,
    // records to a fraction, the mix to what its parts allow.
    std::tuple<char const*, std::vector<uint8_t> const*, size_t> cases[] = {
        { "mixed", &mixed, mixed.size() * 7 / 10 },
        { "random bytes", &only_random, only_random.size() + only_random.size() / 1000 + 64 },
        { "small alphabet", &only_text, only_text.size() * 5 / 8 + only_text.size() / 100 },
        { "records", &only_records, only_records.size() / 4 },
    };
    for (auto const& [name, data, bound] : cases) {
        auto deflated = deflate_raw(*data);
        EXPECT_LE(deflated.size(), bound) << name;
        size_t budget = data->size();
        auto inflated = inflate_raw(deflated, budget, "test");
        ASSERT_TRUE(inflated) << name << ": " << inflated.error().message;
        EXPECT_TRUE(*inflated == *data) << name;
    }
}

// Large columns are deflated in pieces that a thread remembers. Deflating a column edited in
// one place must give what a thread that remembers nothing gives for it, so a save's bytes
// never depend on what was saved before it.
TEST(Deflate, RememberedPiecesGiveTheBytesOfAFreshDeflate)
{
    auto records = [](size_t count, size_t skip) {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < count; ++i) {
            if (i == skip)
                continue;
            auto text = "{\"present\":true,\"watched_at_ms\":" + std::to_string(1700000000000 + i * 977) + ",\"id\":\"video" + std::to_string(i) + "\"}";
            out.insert(out.end(), text.begin(), text.end());
        }
        return out;
    };
    auto fresh = [](std::vector<uint8_t> const& data) {
        std::vector<uint8_t> out;
        std::thread([&] { out = deflate_raw(data); }).join();
        return out;
    };
    auto original = records(4000, SIZE_MAX);
    std::vector<std::vector<uint8_t>> edits { original, records(4000, 1717), records(4001, SIZE_MAX), records(4000, 0) };
    auto& grown = edits.emplace_back(original);
    grown.insert(grown.begin() + 100000, { 'x', 'y', 'z' });
    // Around the smallest pieced column, and a column of small pieces edited in its middle.
    for (size_t size : { size_t(8191), size_t(8192), size_t(16384) })
        edits.push_back(std::vector<uint8_t>(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(size)));
    auto& small_edited = edits.emplace_back(original.begin(), original.begin() + 60000);
    small_edited[30000] = 'X';
    (void)deflate_raw(original);
    (void)deflate_raw(std::span(original).first(60000));
    for (size_t i = 0; i < edits.size(); ++i) {
        auto const& data = edits[i];
        auto deflated = deflate_raw(data);
        EXPECT_EQ(deflated, fresh(data)) << "edit " << i;
        EXPECT_LE(deflated.size(), data.size() / 4) << "edit " << i;
        size_t budget = data.size();
        auto inflated = inflate_raw(deflated, budget, "test");
        ASSERT_TRUE(inflated) << "edit " << i << ": " << inflated.error().message;
        EXPECT_TRUE(*inflated == data) << "edit " << i;
    }
}

TEST(Inflate, RoundTripsAndStopsExactlyAtTheBudget)
{
    // Sizes around the output's growth steps, and one that deflates to almost nothing.
    for (size_t size : { size_t(0), size_t(1), size_t(16383), size_t(16384), size_t(16385), size_t(200000) }) {
        std::vector<uint8_t> data(size);
        for (size_t i = 0; i < size; ++i)
            data[i] = static_cast<uint8_t>((i * 7919) >> 5);
        auto deflated = deflate_raw(data);
        size_t budget = size;
        auto inflated = inflate_raw(deflated, budget, "test");
        ASSERT_TRUE(inflated) << size << ": " << inflated.error().message;
        EXPECT_EQ(*inflated, data) << size;
        EXPECT_EQ(budget, 0u) << size;
        if (size == 0)
            continue;
        size_t short_budget = size - 1;
        auto refused = inflate_raw(deflated, short_budget, "test");
        ASSERT_FALSE(refused) << size;
        EXPECT_EQ(refused.error().code, ErrorCode::TooLarge) << size;
    }
}
