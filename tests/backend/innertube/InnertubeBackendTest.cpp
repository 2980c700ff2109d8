#include <chrono>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <set>
#include <thread>

#include "src/backend/InnertubeBackend.h"
#include "src/backend/ServiceSettings.h"
#include "tests/backend/innertube/InnertubeService.h"

namespace {

using namespace vexa;
using vexa::testing::InnertubeService;
using Answer = InnertubeService::Answer;

class InnertubeBackendTest : public ::testing::Test {
protected:
    InnertubeBackendTest()
    {
        settings = ServiceSettings::loopback(service.origin());
        settings.innertube_client_version = "2.20991231.01.00";
    }

    std::unique_ptr<InnertubeBackend> backend()
    {
        auto made = InnertubeBackend::make(settings);
        EXPECT_TRUE(made.has_value());
        return std::move(*made);
    }

    std::string thumbnail(std::string const& id) const { return service.origin() + "/thumbs/vi/" + id + "/hqdefault.jpg"; }

    InnertubeService service;
    ServiceSettings settings;
};

std::vector<std::string> ids_of(std::vector<Video> const& videos)
{
    std::vector<std::string> ids;
    for (auto const& video : videos)
        ids.push_back(video.id);
    return ids;
}

std::vector<Video> videos_of(BackendResult<FetchResult> const& result)
{
    if (!result)
        return {};
    auto const* videos = std::get_if<FetchedVideos>(&*result);
    return videos ? videos->videos : std::vector<Video> {};
}

TEST_F(InnertubeBackendTest, RequestsCarryTheWebClientContextAndHeaders)
{
    service.serve_fixture("search:cats", "search_legacy.json");
    auto answer = backend()->search("cats");
    ASSERT_TRUE(answer.has_value()) << answer.error().message;
    auto seen = service.seen("search:cats");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].pretty_print, "false");
    auto body = nlohmann::json::parse(seen[0].body);
    EXPECT_EQ(body["query"], "cats");
    EXPECT_EQ(body["context"], nlohmann::json::parse(R"({"client": {"clientName": "WEB", "clientVersion": "2.20991231.01.00", "hl": "en", "gl": "US",
        "platform": "DESKTOP"}, "user": {"lockedSafetyMode": false}, "request": {"useSsl": true}})"));
    auto const& headers = seen[0].headers;
    EXPECT_EQ(headers.at("Content-Type"), "application/json");
    EXPECT_EQ(headers.at("X-YouTube-Client-Name"), "1");
    EXPECT_EQ(headers.at("X-YouTube-Client-Version"), "2.20991231.01.00");
    EXPECT_EQ(headers.at("Origin"), service.origin() + "/youtube");
    EXPECT_EQ(headers.at("Referer"), service.origin() + "/youtube/");
    EXPECT_EQ(headers.at("Accept-Language"), "en-US");
    EXPECT_EQ(headers.at("Cookie"), "CONSENT=YES+");
    EXPECT_NE(headers.at("User-Agent").find("Firefox"), std::string::npos);
    EXPECT_FALSE(headers.at("Accept-Encoding").empty());
}

TEST_F(InnertubeBackendTest, EveryBackendIsMetadataOnly)
{
    EXPECT_EQ(backend()->name(), "no_botguard (metadata only)");
    struct Available final : BotguardProvider {
        std::string name() const override { return "test"; }
        std::optional<std::string> request_token() override { return "token"; }
        bool is_available() const override { return true; }
    };
    auto guarded = InnertubeBackend::with_botguard(settings, Available {});
    ASSERT_TRUE(guarded.has_value());
    EXPECT_EQ((*guarded)->name(), "botguard enabled (streams available)");
    // Streams and playlists keep the interface's defaults.
    EXPECT_EQ(backend()->resolve_source("v").error().message, "this backend cannot resolve a playback source");
    EXPECT_EQ(backend()->playlist("PL").error().message, "this backend cannot resolve playlists");
}

TEST_F(InnertubeBackendTest, SearchKeepsOnlyVideosWhileSearchItemsKeepsAllThree)
{
    service.serve_fixture("search:cats", "search_legacy.json");
    auto it = backend();
    EXPECT_EQ(ids_of(videos_of(it->search("cats"))), (std::vector<std::string> { "vidcat1", "vidlive", "vidshelf" }));
    auto items = it->search_items("cats");
    ASSERT_TRUE(items.has_value());
    EXPECT_EQ(items->videos.size(), 3u);
    EXPECT_EQ(items->playlists.size(), 1u);
    EXPECT_EQ(items->channels.size(), 1u);
    EXPECT_EQ(items->videos[0].thumbnail_url, thumbnail("vidcat1"));
}

TEST_F(InnertubeBackendTest, PopularSearchSortsByViewsThisWeekAndQuotesItsTopicInErrors)
{
    service.serve_fixture("search:news|CAMSBAgDEAE%3D", "search_current.json");
    auto it = backend();
    EXPECT_EQ(ids_of(videos_of(it->popular_search("news"))), (std::vector<std::string> { "vidnew1", "vidnew2" }));
    auto failed = it->popular_search("music");
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error().message, R"(popular_search "music": HTTP 404)");
}

TEST_F(InnertubeBackendTest, EveryOperationNamesItselfInItsError)
{
    auto it = backend();
    EXPECT_EQ(it->search("q").error().message, "search: HTTP 404");
    EXPECT_EQ(it->search_items("q").error().message, "search_items: HTTP 404");
    EXPECT_EQ(it->video("v").error().message, "video: HTTP 404");
    EXPECT_EQ(it->related("v").error().message, "related: HTTP 404");
    EXPECT_EQ(it->trending().error().message, "trending: HTTP 404");
    EXPECT_EQ(it->channel("UCx").error().message, "channel: HTTP 404");
    EXPECT_EQ(it->comments("v").error().message, "comments details v: HTTP 404");
    EXPECT_EQ(it->fetch_playlist("PLx").error().message, "playlist PLx: HTTP 404");

    service.serve_fixture("next:vidwatch", "watch_legacy.json");
    EXPECT_EQ(it->comments("vidwatch").error().message, "comments page vidwatch: HTTP 404");
    service.serve_fixture("browse:UCnone", "channel_alert.json");
    EXPECT_EQ(it->channel("UCnone").error().message, "channel: This channel does not exist.");
    service.serve_fixture("browse:VLPLnone", "playlist_alert.json");
    EXPECT_EQ(it->fetch_playlist("PLnone").error().message, "playlist PLnone: The playlist does not exist.");
    EXPECT_EQ(it->video("other").error().message, "video: HTTP 404");
    service.serve_fixture("next:other", "watch_legacy.json");
    EXPECT_EQ(it->video("other").error().message, "video: answer is for video vidwatch");
}

TEST_F(InnertubeBackendTest, VideoRelatedAndCommentsReadTheWatchPageAndItsContinuation)
{
    service.serve_fixture("next:vidwatch", "watch_current.json");
    service.serve_fixture("continuation:TOKEN_CURRENT", "comments_current.json");
    auto it = backend();
    auto video = it->video("vidwatch");
    ASSERT_TRUE(video.has_value()) << video.error().message;
    auto const& details = std::get<FetchedVideo>(*video).video;
    EXPECT_EQ(details.title, "Watch me now");
    EXPECT_EQ(details.likes, 1'234u);
    EXPECT_EQ(details.thumbnail_url, thumbnail("vidwatch"));
    EXPECT_EQ(ids_of(videos_of(it->related("vidwatch"))), (std::vector<std::string> { "relC" }));
    auto comments = it->comments("vidwatch");
    ASSERT_TRUE(comments.has_value()) << comments.error().message;
    EXPECT_EQ(comments->size(), 3u);
    auto body = nlohmann::json::parse(service.seen("next:vidwatch").at(0).body);
    EXPECT_EQ(body["contentCheckOk"], true);
    EXPECT_EQ(body["racyCheckOk"], true);
    EXPECT_EQ(service.seen("continuation:TOKEN_CURRENT").size(), 1u);
}

TEST_F(InnertubeBackendTest, CommentsStopAtSixtyAndAVideoWithoutCommentsHasNone)
{
    nlohmann::json items = nlohmann::json::array();
    for (int index = 0; index < 80; ++index)
        items.push_back({ { "commentThreadRenderer", { { "comment", { { "commentRenderer", { { "authorText", { { "simpleText", "c" + std::to_string(index) } } } } } } } } } });
    nlohmann::json page = { { "onResponseReceivedEndpoints", { { { "appendContinuationItemsAction", { { "continuationItems", items } } } } } } };
    service.serve_fixture("next:vidwatch", "watch_legacy.json");
    service.serve("continuation:TOKEN_LEGACY", 200, page.dump());
    auto it = backend();
    auto comments = it->comments("vidwatch");
    ASSERT_TRUE(comments.has_value()) << comments.error().message;
    ASSERT_EQ(comments->size(), 60u);
    EXPECT_EQ(comments->back().author, "c59");

    service.serve("next:quiet", 200, R"({"currentVideoEndpoint": {"watchEndpoint": {"videoId": "quiet"}}})");
    auto none = it->comments("quiet");
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST_F(InnertubeBackendTest, ChannelPlaylistAndTrendingBrowseTheirPages)
{
    service.serve_fixture("browse:UCnew", "channel_current.json");
    service.serve_fixture("browse:VLPLold", "playlist_legacy.json");
    service.serve_fixture("browse:FEtrending", "trending_legacy.json");
    auto it = backend();
    auto channel = it->channel("UCnew");
    ASSERT_TRUE(channel.has_value()) << channel.error().message;
    auto const& page = std::get<FetchedChannel>(*channel);
    EXPECT_EQ(page.channel.handle, "@newchannel");
    EXPECT_EQ(ids_of(page.uploads), (std::vector<std::string> { "up3", "up4" }));
    EXPECT_EQ(nlohmann::json::parse(service.seen("browse:UCnew").at(0).body)["params"], "EgZ2aWRlb3PyBgQKAjoA");

    auto playlist = it->fetch_playlist("PLold");
    ASSERT_TRUE(playlist.has_value()) << playlist.error().message;
    EXPECT_EQ(playlist->first.video_ids, (std::vector<std::string> { "pl1", "pl2" }));

    EXPECT_EQ(ids_of(videos_of(it->trending())), (std::vector<std::string> { "tr1", "tr2" }));
    EXPECT_EQ(nlohmann::json::parse(service.seen("browse:FEtrending").at(0).body)["params"], "4gIOGgxtb3N0X3BvcHVsYXI%3D");
    service.serve_fixture("browse:FEtrending", "trending_retired.json");
    auto retired = it->trending();
    ASSERT_TRUE(retired.has_value());
    EXPECT_TRUE(videos_of(retired).empty());
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
