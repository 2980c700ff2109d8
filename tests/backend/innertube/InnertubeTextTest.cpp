#include <limits>

#include <gtest/gtest.h>

#include "src/backend/InnertubeText.h"
#include "tests/backend/innertube/InnertubeAnswers.h"

namespace {

using namespace vexa::innertube;
using vexa::testing::answer_of;

TEST(InnertubeText, CountsReadDigitsSeparatorsAndSuffixes)
{
    struct Case {
        char const* text;
        uint64_t count;
    };
    Case const cases[] = {
        { "1,234 views", 1234 },
        { "1.2M views", 1'200'000 },
        { "3K", 3'000 },
        { "2B views", 2'000'000'000 },
        { "1.25K subscribers", 1'250 },
        { "12.5K subscribers", 12'500 },
        { "No views", 0 },
        { "", 0 },
        { "views", 0 },
        { "like this video along with 4,321 other people", 4'321 },
        { "42 videos", 42 },
        { "1 month ago", 1 },           // a word that merely starts with M is no suffix
        { "1,234 watching", 1'234 },
        { "99999999999999999999999 views", std::numeric_limits<uint64_t>::max() },
        { "99999999999999B", std::numeric_limits<uint64_t>::max() },
    };
    for (auto const& c : cases)
        EXPECT_EQ(parse_count(c.text), c.count) << c.text;
}

TEST(InnertubeText, LengthsReadClockTextsAndRejectTheRest)
{
    struct Case {
        char const* text;
        uint32_t seconds;
    };
    Case const cases[] = {
        { "1:02:03", 3723 }, { "4:05", 245 }, { "59", 59 }, { " 12:34 ", 754 }, { "0:00", 0 },
        { "LIVE", 0 }, { "SHORTS", 0 }, { "", 0 }, { "1::2", 0 }, { ":30", 0 }, { "1:", 0 }, { "-1:00", 0 },
        { "999999999:00:00", std::numeric_limits<uint32_t>::max() },
    };
    for (auto const& c : cases)
        EXPECT_EQ(parse_length(c.text), c.seconds) << c.text;
}

TEST(InnertubeText, TextObjectsInEveryShape)
{
    EXPECT_EQ(text_of(answer_of(R"({"simpleText": "plain"})").root()), "plain");
    EXPECT_EQ(text_of(answer_of(R"({"runs": [{"text": "a "}, {"bold": true}, {"text": "b"}, {"text": 3}]})").root()), "a b");
    EXPECT_EQ(text_of(answer_of(R"({"content": "view model"})").root()), "view model");
    EXPECT_EQ(text_of(answer_of(R"("bare")").root()), "bare");
    for (auto const* odd : { R"(null)", R"(7)", R"([])", R"({"simpleText": 5})", R"({"runs": "x"})", R"({})" })
        EXPECT_EQ(text_of(answer_of(odd).root()), "") << odd;
}

TEST(InnertubeText, BestThumbnailIsTheLargestAreaLaterWinningTies)
{
    struct Case {
        char const* images;
        char const* url;
    };
    Case const cases[] = {
        { R"({"thumbnails": [{"url": "a", "width": 10, "height": 10}, {"url": "b", "width": 20, "height": 20}, {"url": "c", "width": 5, "height": 5}]})", "b" },
        { R"({"thumbnails": [{"url": "a", "width": 20, "height": 10}, {"url": "b", "width": 10, "height": 20}]})", "b" },
        { R"({"sources": [{"url": "//yt3.example/x", "width": 88, "height": 88}]})", "https://yt3.example/x" },
        { R"([{"url": "first"}, {"url": "second"}])", "second" },
        { R"({"thumbnails": []})", "" },
        { R"({"thumbnails": [{"width": 100, "height": 100}, {"url": "kept", "width": "wide", "height": -1}]})", "kept" },
        { R"({"thumbnails": [{"url": "a", "width": 4294967295, "height": 4294967295}, {"url": "b", "width": 1, "height": 1}]})", "a" },
        { R"("nothing")", "" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(best_thumbnail_url(answer_of(c.images).root()), c.url) << c.images;
}

TEST(InnertubeText, PathsStepThroughMembersAndIndicesOrReadNothing)
{
    auto answer = answer_of(R"({"a": [{"b": "found"}], "n": null})");
    auto value = answer.root();
    EXPECT_EQ(at(value, { "a", 0, "b" }), "found");
    EXPECT_TRUE(at(value, { "a", 1, "b" }).is_missing());
    EXPECT_TRUE(at(value, { "a", -1 }).is_missing());
    EXPECT_TRUE(at(value, { "a", "b" }).is_missing());
    EXPECT_TRUE(at(value, { "x", 0 }).is_missing());
    EXPECT_TRUE(array(at(value, { "a", 0 })).empty());
    // A null that is there is not a missing member.
    EXPECT_TRUE(at(value, { "n" }).is_null());
    EXPECT_FALSE(at(value, { "n" }).is_missing());
}

}
