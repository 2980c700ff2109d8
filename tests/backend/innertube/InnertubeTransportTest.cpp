#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

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

TEST(InnertubePool, RunBlocksUntilOneOfItsOwnThreadsHasDoneTheJob)
{
    InnertubePool pool(2);
    EXPECT_EQ(pool.thread_count(), 2u);
    std::set<std::thread::id> workers;
    for (int round = 0; round < 20; ++round) {
        std::thread::id ran_on;
        bool finished = false;
        pool.run([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ran_on = std::this_thread::get_id();
            finished = true;
        });
        EXPECT_TRUE(finished);
        EXPECT_NE(ran_on, std::this_thread::get_id());
        workers.insert(ran_on);
    }
    EXPECT_LE(workers.size(), 2u);

    // Two callers at once are served side by side.
    std::atomic<int> inside { 0 };
    std::atomic<int> most { 0 };
    auto job = [&] {
        ++inside;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (inside.load() < 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        most = std::max(most.load(), inside.load());
    };
    std::thread other([&] { pool.run(job); });
    pool.run(job);
    other.join();
    EXPECT_EQ(most.load(), 2);
}

TEST(InnertubeRetry, OnlyServerErrorsAndTimeOutsAreRetried)
{
    struct Case {
        InnertubeOutcome outcome;
        long status;
        bool retried;
    };
    Case const cases[] = {
        { InnertubeOutcome::Answered, 500, true }, { InnertubeOutcome::Answered, 503, true }, { InnertubeOutcome::Answered, 599, true },
        { InnertubeOutcome::Answered, 200, false }, { InnertubeOutcome::Answered, 404, false }, { InnertubeOutcome::Answered, 429, false },
        { InnertubeOutcome::TimedOut, 0, true }, { InnertubeOutcome::NameResolution, 0, false }, { InnertubeOutcome::Failed, 0, false },
    };
    for (auto const& c : cases)
        EXPECT_EQ(innertube_should_retry(c.outcome, c.status), c.retried) << static_cast<int>(c.outcome) << " " << c.status;
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

TEST_F(InnertubeBackendTest, ATimedOutTransferIsRetried)
{
    settings.innertube_timeout = std::chrono::milliseconds(250);
    auto it = backend();
    service.serve_sequence("search:slow", { Answer { 200, "{}", 700 }, Answer { 200, "{}", 0 } });
    auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(it->search("slow").has_value());
    EXPECT_EQ(service.seen("search:slow").size(), 2u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

TEST_F(InnertubeBackendTest, HostileAnswersAreRefusedWithinBoundsAndLeaveTheBackendUsable)
{
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
    // A port nobody listens on: the connection is refused at once.
    settings = ServiceSettings::loopback("http://127.0.0.1:1");
    auto started = std::chrono::steady_clock::now();
    auto failed = backend()->search("cats");
    ASSERT_FALSE(failed.has_value());
    EXPECT_TRUE(failed.error().message.starts_with("search: ")) << failed.error().message;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
}

}
