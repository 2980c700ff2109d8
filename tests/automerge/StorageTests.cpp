#include "automerge/storage/Compression.h"
#include "automerge/storage/Leb128.h"
#include "automerge/storage/Reader.h"
#include "automerge/storage/Sha256.h"
#include "automerge/storage/columns/Decoders.h"
#include "automerge/storage/columns/Encoders.h"
#include "tests/automerge/Support.h"

#include <gtest/gtest.h>

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

TEST(BooleanEncoder, AlternatesRunsStartingWithFalse)
{
    BooleanEncoder encoder;
    for (bool value : { true, true, false, true })
        encoder.append(value);
    EXPECT_EQ(test::hex(encoder.finish()), "00020101");
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
