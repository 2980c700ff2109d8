#include <chrono>
#include <set>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "tests/LogCapture.h"
#include "tests/backend/innertube/InnertubeBackendFixture.h"

namespace {

using namespace vexa;
using vexa::testing::InnertubeBackendTest;
using vexa::testing::InnertubeService;
using vexa::testing::ids_of;
using vexa::testing::videos_of;
using Answer = InnertubeService::Answer;

TEST_F(InnertubeBackendTest, AnswersOfTheWrongShapeGiveDefaultsOrTheOperationsErrors)
{
    auto it = backend();
    for (auto const* body : { "null", "[]", "\"text\"", "17", R"({"contents": 5})", R"({"contents": {"twoColumnWatchNextResults": []}})",
             R"({"contents": {"twoColumnBrowseResultsRenderer": {"tabs": {"0": 1}}}, "alerts": "x"})" }) {
        SCOPED_TRACE(body);
        for (auto const* key : { "search:q", "search:q|CAMSBAgDEAE%3D", "next:v", "continuation:T", "browse:FEtrending", "browse:UCx", "browse:VLPLx" })
            service.serve(key, 200, body);
        EXPECT_TRUE(videos_of(it->search("q")).empty());
        EXPECT_TRUE(videos_of(it->popular_search("q")).empty());
        EXPECT_TRUE(videos_of(it->trending()).empty());
        EXPECT_TRUE(videos_of(it->related("v")).empty());
        auto channel = it->channel("UCx");
        if (channel)
            EXPECT_EQ(std::get<FetchedChannel>(*channel).channel.handle, "UCx");
        else
            EXPECT_EQ(channel.error().message, "channel: channel not found");
        auto playlist = it->fetch_playlist("PLx");
        if (playlist)
            EXPECT_TRUE(playlist->second.empty());
        else
            EXPECT_EQ(playlist.error().message, "playlist PLx: playlist not found");
        auto comments = it->comments("v");
        if (comments)
            EXPECT_TRUE(comments->empty());
        else
            EXPECT_EQ(comments.error().message, "comments details v: answer holds no video v");
    }
}

TEST(InnertubeRetry, OnlyServerErrorsAndTimeOutsAreRetried)
{
    using kaso::platform::HttpFailure;
    struct Case {
        HttpFailure failure;
        long status;
        bool retried;
    };
    Case const cases[] = {
        { HttpFailure::None, 500, true }, { HttpFailure::None, 503, true }, { HttpFailure::None, 599, true },
        { HttpFailure::None, 200, false }, { HttpFailure::None, 404, false }, { HttpFailure::None, 429, false },
        { HttpFailure::None, 600, false }, { HttpFailure::TimedOut, 0, true }, { HttpFailure::NameResolution, 0, false },
        { HttpFailure::Transport, 0, false }, { HttpFailure::Refused, 0, false }, { HttpFailure::BodyTooLarge, 0, false },
    };
    for (auto const& c : cases)
        EXPECT_EQ(innertube_should_retry(c.failure, c.status), c.retried) << static_cast<int>(c.failure) << " " << c.status;
}

TEST_F(InnertubeBackendTest, ServerErrorsAreRetriedTwiceAndClientErrorsNever)
{
    auto it = backend();
    service.serve_sequence("search:flaky", { Answer { 503, "{}", 0 }, Answer { 502, "{}", 0 }, Answer { 200, R"({"contents": {}})", 0 } });
    EXPECT_TRUE(it->search("flaky").has_value());
    EXPECT_EQ(service.seen("search:flaky").size(), 3u);

    service.serve("search:down", 500, "{}");
    EXPECT_EQ(it->search("down").error().message, "search: HTTP 500");
    EXPECT_EQ(service.seen("search:down").size(), 3u);

    service.serve("search:gone", 410, "{}");
    EXPECT_EQ(it->search("gone").error().message, "search: HTTP 410");
    EXPECT_EQ(service.seen("search:gone").size(), 1u);
}

TEST_F(InnertubeBackendTest, OneBackendSendsEveryRequestOverOneConnection)
{
    auto it = backend();
    service.serve("search:a", 200, "{}");
    service.serve("browse:FEtrending", 200, "{}");
    ASSERT_TRUE(it->search("a").has_value());
    ASSERT_TRUE(it->trending().has_value());
    ASSERT_TRUE(it->search("a").has_value());
    std::set<int> ports;
    for (auto const& seen : service.seen())
        ports.insert(seen.remote_port);
    EXPECT_EQ(service.seen().size(), 3u);
    EXPECT_EQ(ports.size(), 1u);
}

TEST_F(InnertubeBackendTest, ATimedOutTransferIsRetriedOnce)
{
    // The first answer would come only long after the time-out, so a call that succeeds having
    // asked twice abandoned it at the time-out; the second answer is immediate, and the time-out is
    // far above what a loopback exchange takes even on a busy machine.
    settings.innertube_timeout = std::chrono::milliseconds(2'000);
    auto it = backend();
    service.serve_sequence("search:slow", { Answer { 200, "{}", 60'000 }, Answer { 200, "{}", 0 } });
    vexa::testing::LogCapture log("vexa::api");
    EXPECT_TRUE(it->search("slow").has_value());
    EXPECT_EQ(service.seen("search:slow").size(), 2u);
    EXPECT_EQ(log.count("innertube retry endpoint=search"), 1u) << log.text();
}

TEST_F(InnertubeBackendTest, HostileAnswersAreRefusedWithinBoundsAndLeaveTheBackendUsable)
{
    // The loopback settings' one-second time-out is short enough that a busy machine can fail
    // to stream 16 MiB within it, which would end the transfer for the wrong reason: the cap
    // must be what stops it.
    settings.innertube_timeout = std::chrono::milliseconds(20'000);
    auto it = backend();
    service.server().handle("/youtube/youtubei/v1/browse", [](httplib::Request const&, httplib::Response& response) {
        vexa::testing::stream_bytes(response, 20 * 1024 * 1024);
    });
    auto huge = it->trending();
    ASSERT_FALSE(huge.has_value());
    EXPECT_EQ(huge.error().message, "trending: answer exceeds 16777216 bytes");

    service.serve("search:deep", 200, std::string(100'000, '[') + std::string(100'000, ']'));
    auto deep = it->search("deep");
    ASSERT_FALSE(deep.has_value());
    EXPECT_TRUE(deep.error().message.starts_with("search: answer is not usable JSON: document nests deeper than")) << deep.error().message;

    service.serve("search:text", 200, "<html>sorry</html>");
    EXPECT_TRUE(it->search("text").error().message.starts_with("search: answer is not usable JSON: ")) << it->search("text").error().message;

    service.serve("search:odd", 200, R"(["not", "an", "object"])");
    EXPECT_TRUE(videos_of(it->search("odd")).empty());

    service.serve_fixture("search:wrong", "hostile_wrong_types.json");
    EXPECT_EQ(ids_of(videos_of(it->search("wrong"))), (std::vector<std::string> { "vidodd", "vidlock" }));
}

TEST_F(InnertubeBackendTest, AnUnreachableServiceFailsWithoutRetrying)
{
    // A port nobody listens on: the connection is refused at once, and every retry would be logged.
    settings = ServiceSettings::loopback("http://127.0.0.1:1");
    vexa::testing::LogCapture log("vexa::api");
    auto failed = backend()->search("cats");
    ASSERT_FALSE(failed.has_value());
    EXPECT_TRUE(failed.error().message.starts_with("search: ")) << failed.error().message;
    EXPECT_EQ(log.count("innertube retry"), 0u) << log.text();
}

}
