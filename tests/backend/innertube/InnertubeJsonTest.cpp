#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "src/backend/InnertubeBrowse.h"
#include "src/backend/InnertubeClient.h"
#include "src/backend/InnertubeJson.h"
#include "src/backend/JsonInput.h"
#include "tests/backend/innertube/AnswerDifference.h"
#include "tests/backend/innertube/InnertubeAnswers.h"

namespace {

using namespace vexa;
using namespace vexa::innertube;
using vexa::testing::answer_difference;
using vexa::testing::answer_of;

kaso::ErrorOr<Answer> parse(std::string const& text) { return Answer::parse(text, innertube_body_limit, innertube_max_depth); }

std::string nested_arrays(size_t levels) { return std::string(levels, '[') + "1" + std::string(levels, ']'); }

TEST(InnertubeJson, EveryFixtureReadsAsNlohmannReadsIt)
{
    char const* source = std::getenv("VEXA_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    size_t fixtures = 0;
    for (auto const& entry : std::filesystem::directory_iterator(std::string(source) + "/tests/fixtures/backend/innertube")) {
        SCOPED_TRACE(entry.path().filename().string());
        auto text = vexa::testing::innertube_fixture(entry.path().filename().string());
        auto answer = parse(text);
        ASSERT_TRUE(answer.has_value()) << answer.error().message;
        EXPECT_EQ(answer_difference(nlohmann::json::parse(text), answer->root()), "");
        ++fixtures;
    }
    EXPECT_GE(fixtures, 16u);
}

// Hostile and odd texts: each is refused exactly when the reader before simdjson refused it,
// and one that is read holds what that reader saw.
TEST(InnertubeJson, HostileTextsAreRefusedOrReadAsBefore)
{
    struct Case {
        char const* name;
        std::string text;
        bool read;
    };
    Case const cases[] = {
        { "empty", "", false },
        { "only white space", " \n\t ", false },
        { "truncated object", R"({"a": [1, 2)", false },
        { "truncated string", R"({"a": "abc)", false },
        { "truncated literal", R"({"a": tru)", false },
        { "garbage after the document", "{} x", false },
        { "two documents", "{} {}", false },
        { "invalid UTF-8 in a string", "[\"caf\xFF\"]", false },
        { "overlong UTF-8", "[\"\xC0\xAF\"]", false },
        { "an encoded surrogate", "[\"\xED\xA0\x80\"]", false },
        { "a lone escaped surrogate", R"(["\ud800"])", false },
        { "an unescaped control character", "[\"a\x01\"]", false },
        { "a NUL inside a string", std::string("[\"a\0b\"]", 7), false },
        { "a bad escape", R"(["\x41"])", false },
        { "an infinite number", "[1e400]", false },
        { "a leading zero", "[01]", false },
        { "NaN", "[NaN]", false },
        { "single quotes", "{'a': 1}", false },
        { "a trailing comma", "[1, 2,]", false },
        { "a byte order mark in front", "\xEF\xBB\xBF{\"a\": 1}", true },
        { "a NUL after the document", std::string("{\"a\": 1}\0{{{", 12), true },
        { "integers beyond 64 bits", R"({"big": 99999999999999999999999, "low": -99999999999999999999999, "both": [18446744073709551616, -9223372036854775809]})", true },
        { "integers beyond 64 bits beside strings of digits", R"({"\"99999999999999999999999": [99999999999999999999999, "-99999999999999999999999"]})", true },
        { "an integer beyond 64 bits and a malformed number", "[99999999999999999999999, 01]", false },
        { "the 64-bit limits", "[18446744073709551615, -9223372036854775808, 9223372036854775807]", true },
        { "floats", "[0.5, -1.25e-3, 1E2, 1e-400, 123456789012345678901234.5]", true },
        { "repeated keys", R"({"a": 1, "b": true, "a": {"c": [null]}})", true },
        { "escapes", R"(["\u00e9\n\"\\\/", "\ud83d\ude00", "\u0000"])", true },
        { "a scalar document", "\"text\"", true },
        { "nesting at the bound", nested_arrays(innertube_max_depth), true },
        { "nesting past the bound", nested_arrays(innertube_max_depth + 1), false },
        { "nesting far past the bound", std::string(100'000, '[') + std::string(100'000, ']'), false },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        auto answer = parse(c.text);
        auto before = json_input::parse(c.text, innertube_body_limit, innertube_max_depth);
        EXPECT_EQ(before.has_value(), c.read) << "the reader before";
        ASSERT_EQ(answer.has_value(), c.read) << (answer ? std::string("read") : answer.error().message);
        if (answer && before) {
            EXPECT_EQ(answer_difference(*before, answer->root()), "");
        }
        if (!answer) {
            EXPECT_FALSE(answer.error().message.empty());
        }
    }
}

TEST(InnertubeJson, BoundsAreCheckedWithMessagesThatSayWhich)
{
    auto long_text = Answer::parse(std::string(100, ' '), 10, innertube_max_depth);
    ASSERT_FALSE(long_text.has_value());
    EXPECT_EQ(long_text.error().message, "document of 100 bytes exceeds 10 bytes");
    auto deep = parse(nested_arrays(innertube_max_depth + 1));
    ASSERT_FALSE(deep.has_value());
    EXPECT_EQ(deep.error().message, "document nests deeper than 200 levels");
    auto deep_objects = Answer::parse(R"({"a": {"a": {"a": 1}}})", 100, 2);
    ASSERT_FALSE(deep_objects.has_value());
    EXPECT_EQ(deep_objects.error().message, "document nests deeper than 2 levels");
    EXPECT_TRUE(Answer::parse(R"({"a": {"a": 1}})", 100, 2).has_value());
}

TEST(InnertubeJson, NumbersKeepTheirKindAndHugeIntegersReadAsFloats)
{
    auto answer = answer_of(R"({"small": 7, "negative": -7, "float": 7.0, "big": 99999999999999999999999, "top": 18446744073709551615, "text": "7"})");
    auto root = answer.root();
    EXPECT_EQ(root["small"].unsigned_integer(), 7u);
    EXPECT_EQ(root["small"].signed_integer(), 7);
    EXPECT_EQ(root["negative"].unsigned_integer(), std::nullopt);
    EXPECT_EQ(root["negative"].signed_integer(), -7);
    EXPECT_EQ(root["float"].unsigned_integer(), std::nullopt);
    EXPECT_EQ(root["float"].number(), 7.0);
    EXPECT_EQ(root["big"].unsigned_integer(), std::nullopt);
    EXPECT_EQ(root["big"].signed_integer(), std::nullopt);
    EXPECT_DOUBLE_EQ(*root["big"].number(), 1e23);
    EXPECT_EQ(root["top"].unsigned_integer(), UINT64_MAX);
    EXPECT_EQ(root["top"].signed_integer(), std::nullopt);
    EXPECT_EQ(root["text"].unsigned_integer(), std::nullopt);
    EXPECT_FALSE(root["text"].is_number());
    EXPECT_FALSE(root["missing"].is_number());
}

TEST(InnertubeJson, MissingValuesAnswerNoToEverything)
{
    auto answer = answer_of(R"({"list": [1], "text": "x", "flag": false})");
    JsonValue missing = answer.root()["nothing"];
    for (auto value : { missing, missing["key"], missing.element_at(0), answer.root()["list"]["key"], answer.root()["text"].element_at(0),
             answer.root()["list"].element_at(1) }) {
        EXPECT_TRUE(value.is_missing());
        EXPECT_FALSE(value.is_null() || value.is_object() || value.is_array() || value.is_string() || value.is_boolean() || value.is_number());
        EXPECT_EQ(value.string(), "");
        EXPECT_TRUE(value.elements().empty());
        EXPECT_EQ(value.element_count(), 0u);
        EXPECT_FALSE(value == "");
    }
    EXPECT_FALSE(answer.root()["flag"].is_true());
    EXPECT_TRUE(answer.root()["flag"].is_boolean());
    EXPECT_FALSE(answer.root()["text"] == "y");
    EXPECT_TRUE(answer.root()["text"] == "x");
}

TEST(InnertubeJson, AnAnswerMovedElsewhereKeepsItsViewsValid)
{
    auto answer = answer_of(R"({"a": {"b": "kept"}})");
    auto inner = answer.root()["a"];
    auto moved = std::move(answer);
    EXPECT_EQ(inner["b"].string(), "kept");
    EXPECT_EQ(moved.root()["a"]["b"].string(), "kept");
}

TEST(InnertubeJson, ATextWithoutSpareCapacityIsCopiedAndOneWithItIsReadInPlace)
{
    std::string tight = R"({"a": "read"})";
    tight.shrink_to_fit();
    std::string roomy = tight;
    roomy.reserve(roomy.size() + answer_padding);
    for (auto const* text : { &tight, &roomy }) {
        auto answer = parse(*text);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->root()["a"].string(), "read");
    }
}

// The page readers see an object's members as the reader before did: in key order, and a
// repeated key once, with its last value.
TEST(InnertubeJson, ItemMembersAreReadInKeyOrderAndARepeatedKeyOnce)
{
    auto answer = answer_of(R"({"contents": {"twoColumnSearchResultsRenderer": {"primaryContents": {"sectionListRenderer": {"contents": [
        {"videoRenderer": {"videoId": "second"}, "compactVideoRenderer": {"videoId": "first"}},
        {"videoRenderer": {"videoId": "dropped"}, "videoRenderer": {"videoId": "third", "title": {"simpleText": "old"}, "title": {"simpleText": "new"}}}
    ]}}}}})");
    auto items = search_answer(answer.root(), "http://thumbs.test");
    ASSERT_EQ(items.videos.size(), 3u);
    EXPECT_EQ(items.videos[0].id, "first");
    EXPECT_EQ(items.videos[1].id, "second");
    EXPECT_EQ(items.videos[2].id, "third");
    EXPECT_EQ(items.videos[2].title, "new");
}

}
