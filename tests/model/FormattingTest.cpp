#include <cmath>

#include <gtest/gtest.h>

#include "src/model/Formatting.h"

namespace {

using namespace vexa;

TEST(ModelFormatting, ViewCountAddsTheSuffixToTheCompactForm)
{
    EXPECT_EQ(format_view_count(0), "0 views");
    EXPECT_EQ(format_view_count(999), "999 views");
    EXPECT_EQ(format_view_count(1'000), "1K views");
    EXPECT_EQ(format_view_count(999'999), "999K views");
    EXPECT_EQ(format_view_count(1'200'000), "1.2M views");
}

TEST(ModelFormatting, TimecodeClampsNegativeSeconds)
{
    EXPECT_EQ(format_timecode(-3.0), "0:00");
    EXPECT_EQ(format_timecode(-0.0), "0:00");
    EXPECT_EQ(format_timecode(std::nan("")), "0:00");
    EXPECT_EQ(format_timecode(65.0), "1:05");
    EXPECT_EQ(format_timecode(4020.0), "1:07:00");
}

TEST(ModelFormatting, InitialsCountCodePointsOfTheFirstTwoWords)
{
    struct Case {
        char const* name;
        char const* expected;
    };
    Case const cases[] = {
        { "ada lovelace byron", "AL" },
        { "Orbit Lab", "OL" },
        { "x", "X" },
        { "  bob   ", "B" },
        { "a\tb\nc", "AB" },
        { "", "?" },
        { " \t\n ", "?" },
        { "émile zola", "éZ" },
        { "Ünal yılmaz", "ÜY" },
        { "ångström", "å" },
        { "1st place", "1P" },
        { "@handle name", "@N" },
        { "🎸 band", "🎸B" },
        { "日本 語", "日語" },
        // An invalid byte becomes U+FFFD rather than half a character.
        { "\xff" "abc def", "\xEF\xBF\xBD" "D" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(initials_of(c.name), c.expected) << '"' << c.name << '"';
}

TEST(ModelFormatting, NormalizedNameTrimsAndLowercases)
{
    struct Case {
        char const* name;
        char const* expected;
    };
    Case const cases[] = {
        { "  Orbit Lab  ", "orbit lab" },
        { "MiXeD", "mixed" },
        { "ÉCOLE Øst", "école øst" },
        { "\t\n", "" },
        { "", "" },
        { "inner  space", "inner  space" },
        { "\xC2\xA0" "Nbsp" "\xC2\xA0", "nbsp" },
        { " \xff" "ABC\xC3", "\xEF\xBF\xBD" "abc" "\xEF\xBF\xBD" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(normalized_name(c.name), c.expected) << '"' << c.name << '"';
}

TEST(ModelFormatting, AvatarColorsFollowTheSeedHash)
{
    struct Case {
        char const* seed;
        int first[3];
        int second[3];
    };
    // Hues 61, 53, 179 and 340 from the FNV-1a hash of the seed bytes.
    Case const cases[] = {
        { "", { 164, 166, 48 }, { 63, 107, 36 } },
        { "ch_orbit", { 166, 152, 48 }, { 73, 107, 36 } },
        { "vid_donut", { 48, 166, 164 }, { 36, 65, 107 } },
        { "a", { 166, 48, 87 }, { 107, 55, 36 } },
    };
    auto byte = [](float component) { return static_cast<int>(std::lround(component * 255.0f)); };
    for (auto const& c : cases) {
        auto colors = avatar_colors(c.seed);
        EXPECT_EQ(byte(colors[0].r), c.first[0]) << c.seed;
        EXPECT_EQ(byte(colors[0].g), c.first[1]) << c.seed;
        EXPECT_EQ(byte(colors[0].b), c.first[2]) << c.seed;
        EXPECT_EQ(byte(colors[1].r), c.second[0]) << c.seed;
        EXPECT_EQ(byte(colors[1].g), c.second[1]) << c.seed;
        EXPECT_EQ(byte(colors[1].b), c.second[2]) << c.seed;
        EXPECT_EQ(colors[0].a, 1.0f);
        EXPECT_EQ(colors[1].a, 1.0f);
        // Components are whole bytes divided by 255.
        EXPECT_FLOAT_EQ(colors[0].r, static_cast<float>(c.first[0] / 255.0));
    }
}

}
