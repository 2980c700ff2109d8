// Our BLAKE3 against Debian's b3sum over lengths around the block (64) and chunk (1024)
// boundaries and over owner ids.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "src/history/Blake3.h"
#include "tests/history/Support.h"

namespace {

// The input pattern of the published test vectors: byte i is i mod 251.
std::string pattern(size_t length)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

std::string b3sum_of(std::filesystem::path const& file)
{
    auto command = "b3sum --no-names '" + file.string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {};
    char buffer[128] = {};
    std::string out;
    while (auto got = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, got);
    ::pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

}

TEST(Blake3, PublishedValues)
{
    EXPECT_EQ(vexa::blake3_hex(""), "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262");
    EXPECT_EQ(vexa::blake3_hex(pattern(1)), "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213");
    EXPECT_EQ(vexa::blake3_hex(pattern(1024)), "42214739f095a406f3fc83deb889744ac00df831c10daa55189b5d121c855af7");
}

TEST(Blake3, MatchesB3sumAroundBlockAndChunkBoundaries)
{
    ASSERT_EQ(std::system("b3sum --version >/dev/null 2>&1"), 0) << "b3sum is missing (scripts/install-deps installs it)";
    vexa::testing::ScratchDirectory scratch("vexa-blake3");
    std::vector<std::string> inputs;
    for (size_t length : { 0, 1, 63, 64, 65, 1023, 1024, 1025, 2047, 2048, 2049, 3073, 4096, 5121, 1 << 20 })
        inputs.push_back(pattern(length));
    for (auto const* owner : { "user:", "user:0123456789abcdef0123456789abcdef", "user:abc\n",
             "user:00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff", "user:ünïcødé" })
        inputs.emplace_back(owner);

    for (size_t i = 0; i < inputs.size(); ++i) {
        auto file = scratch.path() / std::to_string(i);
        vexa::testing::write_text(file, inputs[i]);
        EXPECT_EQ(vexa::blake3_hex(inputs[i]), b3sum_of(file)) << "input of " << inputs[i].size() << " bytes";
    }
}

TEST(Blake3, PiecewiseUpdatesGiveTheSameHash)
{
    auto input = pattern(5000);
    auto whole = vexa::blake3_hex(input);
    for (size_t piece : { 1, 7, 63, 64, 65, 1024, 1025, 4999 }) {
        vexa::Blake3 hasher;
        for (size_t at = 0; at < input.size(); at += piece)
            hasher.update(std::string_view(input).substr(at, piece));
        auto digest = hasher.finalize();
        std::string hex;
        for (auto byte : digest)
            hex += fmt::format("{:02x}", byte);
        EXPECT_EQ(hex, whole) << "pieces of " << piece;
    }
}
