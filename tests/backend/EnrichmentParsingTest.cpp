#include <gtest/gtest.h>

#include "src/backend/EnrichmentServices.h"
#include "src/backend/JsonInput.h"

namespace {

using namespace vexa;
using nlohmann::json;

std::vector<Segment> segments_of(std::string_view text)
{
    auto parsed = json_input::parse(text, 1 << 20);
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed ? sponsor_segments_from_json(*parsed) : std::vector<Segment> {};
}

TEST(SponsorSegments, ReadsKnownCategoriesSortedByStart)
{
    auto segments = segments_of(R"([
        {"category": "outro", "segment": [90, 100], "votes": 3},
        {"category": "sponsor", "segment": [10, 20.5], "votes": -2},
        {"category": "not-a-category", "segment": [0, 1]},
        {"category": "intro", "segment": [50, 60]},
        {"category": "selfpromo", "segment": [10, 12], "votes": 1.5},
        {"category": "filler", "segment": "0-1"},
        {"segment": [1, 2]}])");
    ASSERT_EQ(segments.size(), 4u);
    EXPECT_EQ(segments[0].category, SegmentCategory::Sponsor);
    EXPECT_EQ(segments[0].end, 20.5);
    EXPECT_EQ(segments[0].votes, -2);
    EXPECT_EQ(segments[1].category, SegmentCategory::SelfPromo); // equal starts keep the service's order
    EXPECT_EQ(segments[1].votes, 0);
    EXPECT_EQ(segments[2].start, 50);
    EXPECT_EQ(segments[3].category, SegmentCategory::Outro);
}

TEST(SponsorSegments, KeepsOnlyFiniteNonEmptySpansFromZeroOn)
{
    // A segment whose end is missing would end where it starts: nothing to skip.
    for (std::string_view hostile : {
             R"([{"category": "sponsor", "segment": [30]}])",
             R"([{"category": "sponsor", "segment": [-5, 10]}])",
             R"([{"category": "sponsor", "segment": [20, 10]}])",
             R"([{"category": "sponsor", "segment": [10, 10]}])",
             R"([{"category": "sponsor", "segment": ["a", null]}])",
             R"([{"category": "sponsor", "segment": [-1e308, 5]}, {"category": "sponsor", "segment": [-0.5, 5]}])",
             R"([{"category": "sponsor", "segment": []}])",
         }) {
        EXPECT_TRUE(segments_of(hostile).empty()) << hostile;
    }
    auto from_zero = segments_of(R"([{"category": "sponsor", "segment": [0, 1e300]}])");
    ASSERT_EQ(from_zero.size(), 1u);
}

TEST(SponsorSegments, AnythingButAnArrayIsNoSegments)
{
    for (std::string_view other : { "{}", "null", "\"Not Found\"", "42", R"({"segment": [1, 2]})" })
        EXPECT_TRUE(segments_of(other).empty()) << other;
}

TEST(DeArrowBranding, PicksTheBestUsableTitle)
{
    struct Case {
        std::string_view titles;
        std::optional<std::string> expected;
    };
    for (auto const& [titles, expected] : std::initializer_list<Case> {
             { R"([{"title": "three", "votes": 3, "locked": false}, {"title": "locked", "votes": 1, "locked": true},
                  {"title": "original", "votes": 7, "original": true}])", "locked" },
             { R"([{"title": "a", "votes": -1}, {"title": "b", "votes": -2, "locked": false}])", std::nullopt },
             { R"([{"title": "first", "votes": 2}, {"title": "second", "votes": 2}])", "second" },
             { R"([{"title": "negative but locked", "votes": -4, "locked": true}])", "negative but locked" },
             { R"([{"title": 5, "votes": 9}, {"title": "text", "votes": 1}])", std::nullopt },
             { R"("titles")", std::nullopt },
             { R"([{"title": "huge", "votes": 9223372036854775807, "locked": true}, {"title": "unlocked", "votes": 9223372036854775806}])", "huge" },
         }) {
        auto answer = json::parse(std::string(R"({"titles": )") + std::string(titles) + "}");
        EXPECT_EQ(dearrow_branding_from_json(answer, "http://thumbs", "vid").title, expected) << titles;
    }
}

TEST(DeArrowBranding, AThumbnailNeedsATimestamp)
{
    auto answer = json::parse(R"({"thumbnails": [
        {"votes": 100, "locked": true},
        {"timestamp": 42.0, "votes": 1},
        {"timestamp": 99, "original": true, "votes": 50}]})");
    auto branding = dearrow_branding_from_json(answer, "http://thumbs", "a b");
    EXPECT_EQ(branding.thumbnail_url, "http://thumbs/api/v1/getThumbnail?videoID=a%20b&time=42");
    EXPECT_FALSE(branding.title.has_value());

    auto only_untimed = json::parse(R"({"thumbnails": [{"votes": 100, "locked": true}]})");
    EXPECT_FALSE(dearrow_branding_from_json(only_untimed, "http://thumbs", "v").thumbnail_url.has_value());
    EXPECT_EQ(dearrow_branding_from_json(json::parse("[]"), "http://thumbs", "v"), Branding {});
}

TEST(DeArrowBranding, TimestampsAreShortestDecimals)
{
    EXPECT_EQ(shortest_decimal(5), "5");
    EXPECT_EQ(shortest_decimal(12.5), "12.5");
    EXPECT_EQ(shortest_decimal(42.0), "42");
    EXPECT_EQ(shortest_decimal(0.1), "0.1");
    EXPECT_EQ(shortest_decimal(1e21), "1000000000000000000000");
}

TEST(Dislikes, NeedsANonNegativeInteger)
{
    EXPECT_EQ(dislike_count_from_json(json::parse(R"({"dislikes": 1234, "likes": 5})")).value(), 1234u);
    for (std::string_view bad : { R"({"dislikes": -3})", R"({"dislikes": 1.5})", R"({"dislikes": "7"})", "{}", "[]", "null" }) {
        auto count = dislike_count_from_json(json::parse(bad));
        ASSERT_FALSE(count.has_value()) << bad;
        EXPECT_EQ(count.error().message, "no dislikes field in RYD response");
    }
}

}
