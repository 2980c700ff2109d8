#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "src/model/Text.h"

namespace {

using namespace std::string_literals;

TEST(Text, EachIllFormedSubpartBecomesOneReplacementCharacter)
{
    struct Case {
        std::string input;
        std::string_view expected;
    };
    Case const cases[] = {
        { "plain ascii", "plain ascii" },
        { "caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80" },
        { "a\xE2\x82z", "a\uFFFDz" },                  // three-byte sequence cut short
        { "a\xF0\x9F\x98", "a\uFFFD" },                // four-byte sequence cut short at the end
        { "\xE2\x82\xE2\x82\xAC", "\uFFFD\u20AC" },    // a cut sequence, then a whole one
        { "caf\xE9!", "caf\uFFFD!" },                  // Latin-1
        { "\x80\xBF", "\uFFFD\uFFFD" },                // lone continuation bytes
        { "\xC0\xAF", "\uFFFD\uFFFD" },                // overlong two-byte form
        { "\xE0\x80\x80", "\uFFFD\uFFFD\uFFFD" },      // overlong three-byte form
        { "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD" },      // an encoded surrogate
        { "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD" }, // past U+10FFFF
        { "\xF5\xFF\xFE", "\uFFFD\uFFFD\uFFFD" },      // bytes that begin nothing
        { "a\0b\xFF"s, "a\uFFFDb\uFFFD" },             // NUL is replaced as well
    };
    for (auto const& c : cases)
        EXPECT_EQ(vexa::text::make_valid_utf8(c.input), c.expected) << testing::PrintToString(c.input);
    EXPECT_EQ(vexa::text::trim(" \t\xE2\x82 \n"), "\uFFFD");
}

}
