#include <chrono>

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

TEST_F(InnertubeBackendTest, AQueryThatIsNotValidUtf8IsSentWithReplacementCharacters)
{
    service.serve_fixture("search:caf\xEF\xBF\xBD", "search_current.json");
    auto answer = backend()->search("caf\xFF");
    ASSERT_TRUE(answer.has_value()) << answer.error().message;
    EXPECT_EQ(videos_of(answer).size(), 2u);
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

// What one operation gave, reduced to the ids of what it listed.
std::vector<std::string> listed_ids(InnertubeBackend& backend, std::string const& operation, std::string const& argument)
{
    if (operation == "search")
        return ids_of(videos_of(backend.search(argument)));
    if (operation == "popular_search")
        return ids_of(videos_of(backend.popular_search(argument)));
    if (operation == "related")
        return ids_of(videos_of(backend.related(argument)));
    if (operation == "trending")
        return ids_of(videos_of(backend.trending()));
    if (operation == "search_items") {
        auto items = backend.search_items(argument);
        if (!items)
            return { items.error().message };
        std::vector<std::string> ids = ids_of(items->videos);
        for (auto const& playlist : items->playlists)
            ids.push_back(playlist.id);
        for (auto const& channel : items->channels)
            ids.push_back(channel.id);
        return ids;
    }
    if (operation == "video") {
        auto video = backend.video(argument);
        return video ? std::vector<std::string> { std::get<FetchedVideo>(*video).video.title } : std::vector<std::string> { video.error().message };
    }
    if (operation == "channel") {
        auto channel = backend.channel(argument);
        if (!channel)
            return { channel.error().message };
        auto const& page = std::get<FetchedChannel>(*channel);
        auto ids = ids_of(page.uploads);
        ids.insert(ids.begin(), page.channel.handle);
        return ids;
    }
    if (operation == "playlist") {
        auto playlist = backend.fetch_playlist(argument);
        if (!playlist)
            return { playlist.error().message };
        auto ids = playlist->first.video_ids;
        ids.insert(ids.begin(), playlist->first.title);
        return ids;
    }
    auto comments = backend.comments(argument);
    if (!comments)
        return { comments.error().message };
    std::vector<std::string> authors;
    for (auto const& comment : *comments)
        authors.push_back(comment.author);
    return authors;
}

TEST_F(InnertubeBackendTest, EveryOperationReadsBothShapesFromTheService)
{
    struct Case {
        char const* operation;
        char const* argument;
        std::vector<std::pair<char const*, char const*>> answers; // key, fixture
        std::vector<std::string> listed;
    };
    std::vector<Case> const cases = {
        { "search", "q", { { "search:q", "search_legacy.json" } }, { "vidcat1", "vidlive", "vidshelf" } },
        { "search", "q", { { "search:q", "search_current.json" } }, { "vidnew1", "vidnew2" } },
        { "search_items", "q", { { "search:q", "search_legacy.json" } }, { "vidcat1", "vidlive", "vidshelf", "PLcats", "UCcats" } },
        { "search_items", "q", { { "search:q", "search_current.json" } }, { "vidnew1", "vidnew2", "PLdogs", "UCdogs" } },
        { "popular_search", "t", { { "search:t|CAMSBAgDEAE%3D", "search_legacy.json" } }, { "vidcat1", "vidlive", "vidshelf" } },
        { "video", "vidwatch", { { "next:vidwatch", "watch_legacy.json" } }, { "Watch me" } },
        { "video", "vidwatch", { { "next:vidwatch", "watch_current.json" } }, { "Watch me now" } },
        { "related", "vidwatch", { { "next:vidwatch", "watch_legacy.json" } }, { "relA", "relB" } },
        { "related", "vidwatch", { { "next:vidwatch", "watch_current.json" } }, { "relC" } },
        { "comments", "vidwatch", { { "next:vidwatch", "watch_legacy.json" }, { "continuation:TOKEN_LEGACY", "comments_legacy.json" } }, { "jane q public", "42", "Unknown" } },
        { "comments", "vidwatch", { { "next:vidwatch", "watch_current.json" }, { "continuation:TOKEN_CURRENT", "comments_current.json" } }, { "@alice smith", "bob", "Unknown" } },
        { "channel", "UCold", { { "browse:UCold", "channel_legacy.json" } }, { "@oldchannel", "up1", "up2" } },
        { "channel", "UCnew", { { "browse:UCnew", "channel_current.json" } }, { "@newchannel", "up3", "up4" } },
        { "playlist", "PLold", { { "browse:VLPLold", "playlist_legacy.json" } }, { "Old playlist", "pl1", "pl2" } },
        { "playlist", "PLnew", { { "browse:VLPLnew", "playlist_current.json" } }, { "New playlist", "pl3" } },
        { "trending", "", { { "browse:FEtrending", "trending_legacy.json" } }, { "tr1", "tr2" } },
        { "trending", "", { { "browse:FEtrending", "trending_retired.json" } }, {} },
    };
    auto it = backend();
    for (auto const& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " " + c.answers.front().second);
        for (auto const& [key, fixture] : c.answers)
            service.serve_fixture(key, fixture);
        EXPECT_EQ(listed_ids(*it, c.operation, c.argument), c.listed);
    }
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

}
