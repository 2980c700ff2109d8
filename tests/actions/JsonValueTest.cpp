#include <gtest/gtest.h>

#include "src/actions/JsonValue.h"

namespace vexa {
namespace {

TEST(JsonValue, KeepsMembersInOrderWithDuplicatesAndNumberKinds)
{
    auto parsed = parse_json(R"({"b":1,"a":-2,"b":2.5,"c":[true,null,"x"]})");
    ASSERT_TRUE(parsed) << parsed.error().message;
    ASSERT_EQ(parsed->members.size(), 4u);
    EXPECT_EQ(parsed->members[0].first, "b");
    EXPECT_EQ(parsed->members[0].second.kind, JsonValue::Kind::Unsigned);
    EXPECT_EQ(parsed->members[1].second.kind, JsonValue::Kind::Negative);
    EXPECT_EQ(parsed->members[1].second.number, 2u);
    EXPECT_EQ(parsed->members[2].first, "b");
    EXPECT_EQ(parsed->members[2].second.kind, JsonValue::Kind::Float);
    EXPECT_EQ(write_json(*parsed), R"({"b":1,"a":-2,"b":2.5,"c":[true,null,"x"]})");
}

TEST(JsonValue, RefusesHostileTextWithExactErrors)
{
    struct Row {
        std::string input;
        std::string error;
    };
    Row const rows[] = {
        { std::string(65, '[') + std::string(65, ']'), "recursion limit exceeded at byte 64" },
        { "\"\xc3\"", "invalid UTF-8 in string at byte 1" },
        { "\"\xc0\xaf\"", "invalid UTF-8 in string at byte 1" },         // overlong '/'
        { "\"\xed\xa0\x80\"", "invalid UTF-8 in string at byte 1" },     // an encoded surrogate
        { "\"\xf4\x90\x80\x80\"", "invalid UTF-8 in string at byte 1" }, // past U+10FFFF
        { R"("\ud800")", "lone leading surrogate in hex escape at byte 7" },
        { R"("\udc00")", "lone trailing surrogate in hex escape at byte 7" },
        { R"("\ud800\u0041")", "lone leading surrogate in hex escape at byte 13" },
        { R"("\x")", "invalid escape at byte 2" },
        { R"("\u12g4")", "invalid escape at byte 3" },
        { "\"a\nb\"", "control character in string at byte 2" },
        { "\"abc", "EOF while parsing a string at byte 4" },
        { "01", "invalid number at byte 2" },
        { "-", "invalid number at byte 1" },
        { "1.", "invalid number at byte 2" },
        { "1e", "invalid number at byte 2" },
        { "1e999", "number out of range at byte 5" },
        { "[1,]", "expected value at byte 3" },
        { "[1 2]", "expected `,` or `]` at byte 3" },
        { R"({"a" 1})", "expected `:` at byte 5" },
        { R"({a:1})", "key must be a string at byte 1" },
        { R"({"a":1,})", "key must be a string at byte 7" },
        { "nul", "expected value at byte 0" },
        { "[", "EOF while parsing a value at byte 1" },
    };
    for (auto const& row : rows) {
        auto parsed = parse_json(row.input);
        ASSERT_FALSE(parsed) << row.input;
        EXPECT_EQ(parsed.error().message, row.error) << row.input;
    }
    EXPECT_TRUE(parse_json(std::string(64, '[') + std::string(64, ']')));
}

TEST(JsonValue, WritesNumbersSoThatTheyReadBackAlike)
{
    struct Row {
        std::string_view input;
        std::string_view written;
    };
    Row const rows[] = {
        { "18446744073709551615", "18446744073709551615" },
        { "18446744073709551616", "1.8446744073709552e+19" },
        { "-0", "0" },
        { "-0.0", "-0.0" },
        { "2.0", "2.0" },
        { "2e0", "2.0" },
        { "-12", "-12" },
        { "0.1", "0.1" },
    };
    for (auto const& row : rows) {
        auto parsed = parse_json(row.input);
        ASSERT_TRUE(parsed) << row.input;
        auto written = write_json(*parsed);
        EXPECT_EQ(written, row.written) << row.input;
        EXPECT_EQ(write_json(*parse_json(written)), written) << row.input;
    }
}

TEST(JsonValue, RefusesTextsPastTheSizeBound)
{
    auto parsed = parse_json(std::string(20, ' ') + "1", JsonLimits { .max_bytes = 20, .max_depth = 4 });
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.error().message, "JSON text of 21 bytes is longer than the limit of 20");
}

TEST(JsonValue, WritesStringsEscapedOnlyWhereNeeded)
{
    struct Row {
        std::string text;
        std::string json;
    };
    Row const rows[] = {
        { "plain/é😀", "\"plain/é😀\"" },
        { "q\"b\\", R"("q\"b\\")" },
        { "\n\r\t\b\f", R"("\n\r\t\b\f")" },
        { std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\x7f\"" },
        { "bad\xff", "\"bad\xef\xbf\xbd\"" },
        // Escapes between, before and after runs of plain text.
        { "\"ab\\c\nd\"", R"("\"ab\\c\nd\"")" },
        { std::string("a\0b", 3), R"("a\u0000b")" },
        { "x\xc3\xa9\xffy\xff", "\"x\xc3\xa9\xef\xbf\xbdy\xef\xbf\xbd\"" },
        // A sequence cut short at the end: each of its bytes is replaced.
        { "end\xe2\x82", "\"end\xef\xbf\xbd\xef\xbf\xbd\"" },
        { "", R"("")" },
    };
    for (auto const& row : rows) {
        auto json = write_json(JsonValue::of(row.text));
        EXPECT_EQ(json, row.json);
        EXPECT_TRUE(parse_json(json)) << json;
    }
}

}
}
