#include <gtest/gtest.h>

#include <fmt/format.h>

#include "src/app/ApplyWorkerMessage.h"
#include "src/app/FetchWorker.h"
#include "tests/backend/FakeInnertube.h"

namespace {

using namespace vexa;
namespace msg = worker_message;

Video make_video(std::string id, std::string channel_id = {}, std::string channel_name = {})
{
    return vexa::testing::test_video(std::move(id), std::move(channel_id), std::move(channel_name));
}

Channel make_channel(std::string id, std::string avatar = {}, uint64_t subscribers = 0)
{
    Channel channel;
    channel.id = std::move(id);
    channel.name = channel.id;
    channel.handle = channel.id;
    channel.seed = channel.id;
    channel.avatar_url = std::move(avatar);
    channel.subscribers = subscribers;
    return channel;
}

struct Applying {
    VexaModel model { VexaModel::empty() };
    WorkerApplyState state;
    bool live { true };

    AppliedWorkerMessages apply(std::vector<WorkerMessage> messages) { return apply_worker_messages(model, std::move(messages), state, live); }
    AppliedWorkerMessages apply(WorkerMessage message)
    {
        std::vector<WorkerMessage> messages;
        messages.push_back(std::move(message));
        return apply(std::move(messages));
    }
};

TEST(ApplySegments, ReplaceAKnownVideosSegmentsAndWaitForAnUnknownOne)
{
    Applying applying;
    applying.model.videos = { make_video("a") };
    std::vector<Segment> segments { Segment { SegmentCategory::Intro, 0, 10, 1 } };
    EXPECT_TRUE(applying.apply(msg::Segments { "a", segments }).changed);
    EXPECT_EQ(applying.model.videos[0].sponsor, segments);

    EXPECT_FALSE(applying.apply(msg::Segments { "later", segments }).changed);
    EXPECT_EQ(applying.model.video("later"), nullptr);
    // The record arrives: the kept segments and branding are applied to it.
    applying.apply(msg::Branding { "later", "Calm", "https://thumb" });
    applying.apply(msg::Related { {}, make_video("later", "ch", "Ch") });
    ASSERT_NE(applying.model.video("later"), nullptr);
    EXPECT_EQ(applying.model.video("later")->sponsor, segments);
    EXPECT_EQ(applying.model.video("later")->dearrow_title, "Calm");
    EXPECT_TRUE(applying.model.video("later")->dearrow_thumb);
    EXPECT_TRUE(applying.state.pending.entries.empty());
}

TEST(ApplySegments, PendingEnrichmentKeepsSixteenVideos)
{
    Applying applying;
    for (int index = 0; index < 17; ++index)
        applying.apply(msg::Segments { "v" + std::to_string(index), { Segment { SegmentCategory::Sponsor, 1, 2, 0 } } });
    ASSERT_EQ(applying.state.pending.entries.size(), 16u);
    EXPECT_EQ(applying.state.pending.entries.front().video_id, "v1");
    Video first = make_video("v0");
    applying.apply(msg::Feed { { first, make_video("v16") } });
    EXPECT_TRUE(applying.model.video("v0")->sponsor.empty());
    EXPECT_EQ(applying.model.video("v16")->sponsor.size(), 1u);
}

TEST(ApplyBranding, TitlesThumbnailsAndUnknownVideos)
{
    Applying applying;
    applying.model.videos = { make_video("a") };
    applying.apply(msg::Branding { "a", "Replacement", std::nullopt });
    EXPECT_EQ(applying.model.videos[0].dearrow_title, "Replacement");
    EXPECT_FALSE(applying.model.videos[0].dearrow_thumb);
    // No title keeps the earlier one; an empty thumbnail still marks the video but is not stored.
    applying.apply(msg::Branding { "a", std::nullopt, "" });
    EXPECT_EQ(applying.model.videos[0].dearrow_title, "Replacement");
    EXPECT_TRUE(applying.model.videos[0].dearrow_thumb);
    EXPECT_TRUE(applying.model.dearrow_thumbnails.empty());

    EXPECT_TRUE(applying.apply(msg::Branding { "unknown", std::nullopt, "https://t" }).changed);
    EXPECT_EQ(applying.model.dearrow_thumbnails.at("unknown"), "https://t");
    EXPECT_FALSE(applying.apply(msg::Branding { "unknown2", std::nullopt, std::nullopt }).changed);
}

TEST(ApplyDislikes, StoreTheCountForAnyId)
{
    Applying applying;
    EXPECT_TRUE(applying.apply(msg::Dislikes { "x", 7 }).changed);
    applying.apply(msg::Dislikes { "x", 9 });
    EXPECT_EQ(applying.model.dislikes.at("x"), 9u);
}

TEST(ApplySearchResults, StoresResultsMergesCreatorsAndLooksUpSixOfThem)
{
    Applying applying;
    applying.model.route = Route::search("old");
    applying.model.search_text = "cats";
    applying.model.searching = true;
    applying.model.search_error = "x";
    auto known = make_channel("c0");
    applying.model.channels = { known };
    std::vector<Video> videos;
    // Ten videos of eight creators without avatars.
    for (int index = 0; index < 10; ++index)
        videos.push_back(make_video("v" + std::to_string(index), "c" + std::to_string(index % 8), "Creator " + std::to_string(index % 8)));
    Playlist playlist;
    playlist.id = "p";
    playlist.channel_id = "owner";
    playlist.channel_name = "Owner";
    auto listed = make_channel("c0", "https://avatar/c0", 500);
    listed.handle = "@c0";
    listed.verified = true;
    auto result = applying.apply(msg::SearchResults { "cats", videos, { playlist }, { listed, make_channel("fresh") } });

    EXPECT_TRUE(result.changed);
    EXPECT_FALSE(applying.model.searching);
    EXPECT_FALSE(applying.model.search_error.has_value());
    EXPECT_EQ(result.search_route, Route::search("cats"));
    EXPECT_EQ(applying.model.route, Route::search("old")); // the application moves it, through its navigation
    EXPECT_EQ(applying.model.search_query, "cats");
    EXPECT_EQ(applying.model.search_video_ids.size(), 10u);
    EXPECT_EQ(applying.model.search_playlist_ids, (std::vector<std::string> { "p" }));
    EXPECT_EQ(applying.model.search_channel_ids, (std::vector<std::string> { "c0", "fresh" }));
    auto const* merged = applying.model.channel("c0");
    EXPECT_EQ(merged->avatar_url, "https://avatar/c0");
    EXPECT_EQ(merged->subscribers, 500u);
    EXPECT_EQ(merged->handle, "@c0");
    EXPECT_TRUE(merged->verified);
    EXPECT_NE(applying.model.channel("fresh"), nullptr);
    EXPECT_NE(applying.model.channel("owner"), nullptr);
    // c0 got its avatar from the listed channel; the first six of the others are looked up.
    EXPECT_EQ(result.channel_lookups, (std::vector<std::string> { "c1", "c2", "c3", "c4", "c5", "c6" }));
}

TEST(ApplySearchResults, TheRouteChangesOnlyOnTheSearchPageOfTheirQuery)
{
    struct Case {
        Route shown;
        std::string search_text;
        std::optional<Route> moves_to;
    };
    Case const cases[] = {
        { Route::home(), "cats", std::nullopt },
        { Route::search("b"), "b", std::nullopt }, // results for "a" arrive late: "b" stays
        { Route::search(""), "cats", Route::search("cats") },
        { Route::search("cats"), "cats", Route::search("cats") },
        { Route::search("Cats"), "Cats", std::nullopt }, // the query is compared as written
    };
    for (auto const& c : cases) {
        Applying applying;
        applying.model.route = c.shown;
        applying.model.search_text = c.search_text;
        auto query = c.search_text == "b" ? std::string("a") : std::string("cats");
        auto result = applying.apply(msg::SearchResults { query, {}, {}, {} });
        EXPECT_EQ(result.search_route, c.moves_to) << c.search_text;
        EXPECT_EQ(applying.model.route, c.shown) << c.search_text;
    }
}

TEST(ApplyFeed, ReplacesVideosButKeepsTheWatchedRecord)
{
    Applying applying;
    auto watched = make_video("w", "ch", "Ch");
    watched.duration = 300;
    watched.sponsor = { Segment { SegmentCategory::Sponsor, 1, 5, 0 } };
    auto also_listed = make_video("both");
    also_listed.duration = 120;
    also_listed.sponsor = { Segment { SegmentCategory::Intro, 0, 3, 0 } };
    applying.model.videos = { make_video("gone"), watched, also_listed };
    applying.model.route = Route::watch("w");
    applying.model.feed_loading = true;
    applying.model.feed_error = "old";
    applying.apply(msg::Feed { { make_video("new"), make_video("both") } });
    EXPECT_EQ(applying.model.video("gone"), nullptr);
    ASSERT_NE(applying.model.video("w"), nullptr);
    EXPECT_EQ(applying.model.video("w")->sponsor.size(), 1u);
    EXPECT_EQ(applying.model.video("both")->duration, 120u); // a feed entry without duration keeps the known one
    EXPECT_EQ(applying.model.status_label, "live (rustypipe)");
    EXPECT_FALSE(applying.model.feed_loading);
    EXPECT_FALSE(applying.model.feed_error.has_value());

    applying.model.route = Route::watch("both");
    applying.model.video("both")->sponsor = also_listed.sponsor;
    auto fresh = make_video("both");
    fresh.title = "New title";
    applying.apply(msg::Feed { { fresh } });
    EXPECT_EQ(applying.model.video("both")->title, "New title");
    EXPECT_EQ(applying.model.video("both")->sponsor.size(), 1u);
    EXPECT_EQ(applying.model.video("both")->duration, 120u);
}

TEST(ApplyRelated, UpdatesTheVideoAndKeepsOldRelatedWhenEmpty)
{
    Applying applying;
    applying.model.related_for = "earlier";
    applying.model.related_ids = { "x" };
    auto known = make_video("v", "ch", "Ch");
    known.duration = 600;
    applying.model.videos = { known };
    auto answer = make_video("v", "ch", "Ch");
    answer.views = 5; // duration 0: the known one stays
    auto result = applying.apply(msg::Related { {}, answer });
    EXPECT_EQ(applying.model.related_for, "earlier");
    EXPECT_EQ(applying.model.related_ids, (std::vector<std::string> { "x" }));
    EXPECT_EQ(applying.model.video("v")->views, 5u);
    EXPECT_EQ(applying.model.video("v")->duration, 600u);
    EXPECT_EQ(result.channel_lookups, (std::vector<std::string> { "ch" }));

    applying.model.channels = { make_channel("ch", "https://a", 10) };
    result = applying.apply(msg::Related { { make_video("r1"), make_video("r2") }, answer });
    EXPECT_EQ(applying.model.related_for, "v");
    EXPECT_EQ(applying.model.related_ids, (std::vector<std::string> { "r1", "r2" }));
    EXPECT_TRUE(result.channel_lookups.empty());
}

TEST(ApplyComments, OnlyForKnownVideos)
{
    Applying applying;
    applying.model.videos = { make_video("v") };
    Comment comment;
    comment.author = "@a";
    EXPECT_TRUE(applying.apply(msg::Comments { "v", { comment } }).changed);
    EXPECT_EQ(applying.model.videos[0].comments.size(), 1u);
    EXPECT_FALSE(applying.apply(msg::Comments { "nope", { comment } }).changed);
}

TEST(ApplyChannelAndPlaylist, AddRecordsAndCreators)
{
    Applying applying;
    auto channel = make_channel("ch", "https://a", 99);
    applying.apply(msg::ChannelLoaded { { make_video("u1", "ch", "Ch") }, channel });
    EXPECT_EQ(applying.model.channel("ch")->subscribers, 99u);
    EXPECT_NE(applying.model.video("u1"), nullptr);

    Playlist playlist;
    playlist.id = "p";
    playlist.channel_id = "owner";
    auto video = make_video("pv", "pc", "Playlist creator");
    video.channel_avatar_url = "https://pc";
    applying.apply(msg::PlaylistLoaded { { video }, playlist });
    EXPECT_NE(applying.model.playlist("p"), nullptr);
    EXPECT_EQ(applying.model.channel("pc")->avatar_url, "https://pc");
    EXPECT_NE(applying.model.channel("owner"), nullptr);
}

TEST(ApplyStatus, OfflineEndsLoadingAndRepeatsChangeNothing)
{
    Applying applying;
    applying.model.feed_loading = true;
    applying.model.searching = true;
    EXPECT_TRUE(applying.apply(msg::Status { .label = "connecting…", .live = false }).changed);
    EXPECT_TRUE(applying.model.feed_loading);
    EXPECT_FALSE(applying.apply(msg::Status { .label = "connecting…", .live = false }).changed);
    EXPECT_TRUE(applying.apply(msg::Status { .label = "offline — no live data", .live = false }).changed);
    EXPECT_FALSE(applying.model.feed_loading);
    EXPECT_FALSE(applying.model.searching);
    EXPECT_TRUE(applying.apply(msg::Status { .label = "live · trending", .live = true }).changed);
    EXPECT_TRUE(applying.model.status_live);
}

// Only the live application ever asks for the catalogue, so only it takes in the worker's
// start-up "connecting…"; any other status reaches both.
TEST(ApplyStatus, ANonLiveApplicationKeepsItsOwnStatusThroughTheWorkersStartUp)
{
    struct Case {
        char const* label;
        bool message_live;
        bool app_live;
        char const* expected_label;
        bool expected_live;
    };
    for (auto c : {
             Case { "connecting…", false, false, "offline — sample data", false },
             Case { "connecting…", false, true, "connecting…", false },
             Case { "offline", false, false, "offline", false },
             Case { "live (rustypipe)", true, false, "live (rustypipe)", true },
         }) {
        SCOPED_TRACE(fmt::format("{} live={} app live={}", c.label, c.message_live, c.app_live));
        Applying applying;
        applying.live = c.app_live;
        applying.model.status_label = "offline — sample data";
        auto changed = applying.apply(msg::Status { .label = c.label, .live = c.message_live }).changed;
        EXPECT_EQ(applying.model.status_label, c.expected_label);
        EXPECT_EQ(applying.model.status_live, c.expected_live);
        EXPECT_EQ(changed, applying.model.status_label != "offline — sample data");
    }
}

TEST(ApplyStream, OpensOnlyOnTheWatchPageOfThatVideo)
{
    Applying applying;
    auto video = make_video("a", "ch", "Channel");
    video.title = "LOUD TITLE";
    video.dearrow_title = "Calm title";
    video.thumbnail_url = "https://thumb/a";
    applying.model.videos = { video };
    applying.model.route = Route::watch("b");
    EXPECT_FALSE(applying.apply(msg::Stream { .video_id = "a", .url = "https://s/a", .quality = "720p", .has_audio = true }).stream.has_value());
    applying.model.route = Route::home();
    EXPECT_FALSE(applying.apply(msg::Stream { .video_id = "a", .url = "https://s/a", .quality = "720p", .has_audio = true }).changed);
    EXPECT_FALSE(applying.model.playing);

    applying.model.route = Route::watch("a");
    auto result = applying.apply(msg::Stream { .video_id = "a", .url = "https://s/a", .quality = "720p", .has_audio = true });
    ASSERT_TRUE(result.stream.has_value());
    EXPECT_EQ(result.stream->url, "https://s/a");
    EXPECT_TRUE(result.stream->enable_media_controls);
    ASSERT_TRUE(result.stream->now_playing.has_value());
    EXPECT_EQ(result.stream->now_playing->title, "Calm title");
    EXPECT_EQ(result.stream->now_playing->artist, "Channel");
    EXPECT_EQ(result.stream->now_playing->art_url, "https://thumb/a");
    EXPECT_TRUE(applying.model.playing);

    // Until a stream really opened the controls are asked for again; then never.
    result = applying.apply(msg::Stream { .video_id = "a", .url = "https://s/a1", .quality = "720p", .has_audio = true });
    EXPECT_TRUE(result.stream->enable_media_controls);
    applying.state.media_controls_enabled = true; // the application opened it and enabled them

    // Titles follow the DeArrow settings.
    applying.model.settings.dearrow_titles = false;
    result = applying.apply(msg::Stream { .video_id = "a", .url = "https://s/a2", .quality = "360p", .has_audio = false });
    ASSERT_TRUE(result.stream.has_value());
    EXPECT_FALSE(result.stream->enable_media_controls);
    EXPECT_EQ(result.stream->now_playing->title, "LOUD TITLE");
}

TEST(ApplyStream, UnknownVideosHaveNoRecordAndOnlyHttpOpens)
{
    Applying applying;
    applying.live = false;
    applying.model.route = Route::watch("x");
    auto result = applying.apply(msg::Stream { .video_id = "x", .url = "https://s/x", .quality = "720p", .has_audio = true });
    ASSERT_TRUE(result.stream.has_value());
    EXPECT_FALSE(result.stream->now_playing.has_value());
    EXPECT_FALSE(result.stream->enable_media_controls); // not the live application
    EXPECT_FALSE(
        applying.apply(msg::Stream { .video_id = "x", .url = "file:///etc/passwd", .quality = "720p", .has_audio = true }).stream.has_value());
}

TEST(ApplyBatch, CreatorLookupsComeAfterTheWholeBatch)
{
    Applying applying;
    std::vector<WorkerMessage> batch;
    batch.push_back(msg::SearchResults { "q", { make_video("v", "ch", "Ch") }, {}, {} });
    batch.push_back(msg::ChannelLoaded { {}, make_channel("ch", "https://a", 3) });
    batch.push_back(msg::Note { "just a note" });
    auto result = applying.apply(std::move(batch));
    // The lookup was decided before the channel arrived; the application's own check then skips it.
    EXPECT_EQ(result.channel_lookups, (std::vector<std::string> { "ch" }));
    EXPECT_TRUE(result.changed);
}

TEST(RequestRefusal, ShowsWhereTheUserWaits)
{
    auto model = VexaModel::empty();
    model.search_text = "cats";
    model.searching = true;
    apply_request_refusal(model, WorkerRequest::search("dogs"));
    EXPECT_TRUE(model.searching);
    EXPECT_TRUE(model.notices.empty());
    apply_request_refusal(model, WorkerRequest::search("cats"));
    EXPECT_FALSE(model.searching);
    EXPECT_EQ(model.search_error, request_refused_notice);

    model.feed_loading = true;
    apply_request_refusal(model, WorkerRequest::trending());
    EXPECT_FALSE(model.feed_loading);
    EXPECT_EQ(model.feed_error, "Too many requests are pending. Please try again.");

    apply_request_refusal(model, WorkerRequest::enrich("v"));
    apply_request_refusal(model, WorkerRequest::related("v"));
    EXPECT_EQ(model.notices, (std::vector<std::string> { request_refused_notice, request_refused_notice }));
}

}
