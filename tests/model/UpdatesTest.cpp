#include <map>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "src/model/VexaModel.h"
#include "tests/model/ModelFixtures.h"

namespace {

using namespace vexa;
using vexa::testing::channel;
using vexa::testing::ids_of;
using vexa::testing::video;
using Ids = std::vector<std::string>;

TEST(VexaModelUpsert, PartialVideoKeepsSegmentsCommentsDeArrowTitleAndThumbnail)
{
    auto model = VexaModel::empty();
    auto known = video("v", "ch_old", "Old title");
    known.sponsor = { Segment { SegmentCategory::Intro, 0, 5, 1 } };
    Comment hello;
    hello.author = "@a";
    hello.text = "hi";
    known.comments = { hello };
    known.dearrow_title = "Calm title";
    known.thumbnail_url = "https://img/old.jpg";
    known.views = 10;
    model.videos = { video("before"), known, video("after") };

    auto partial = video("v", "ch_new", "New title");
    partial.views = 99;
    partial.description = "new description";
    model.upsert_video(partial);

    ASSERT_EQ(ids_of(model.videos_by_ids({ "before", "v", "after" })).size(), 3u);
    EXPECT_EQ(model.videos.size(), 3u);
    auto const& merged = model.videos[1];
    EXPECT_EQ(merged.title, "New title");
    EXPECT_EQ(merged.channel_id, "ch_new");
    EXPECT_EQ(merged.views, 99u);
    EXPECT_EQ(merged.description, "new description");
    EXPECT_EQ(merged.sponsor, known.sponsor);
    EXPECT_EQ(merged.comments, known.comments);
    EXPECT_EQ(merged.dearrow_title, "Calm title");
    EXPECT_EQ(merged.thumbnail_url, "https://img/old.jpg");
}

TEST(VexaModelUpsert, FullVideoReplacesAndUnknownVideoAppends)
{
    auto model = VexaModel::empty();
    auto known = video("v");
    known.sponsor = { Segment { SegmentCategory::Intro, 0, 5, 1 } };
    known.dearrow_title = "Old calm";
    model.videos = { known };
    auto full = video("v");
    full.sponsor = { Segment { SegmentCategory::Outro, 50, 60, 2 } };
    full.dearrow_title = "New calm";
    full.thumbnail_url = "https://img/new.jpg";
    model.upsert_video(full);
    EXPECT_EQ(model.videos, (std::vector<Video> { full }));
    model.upsert_video(video("w"));
    EXPECT_EQ(ids_of(model.videos_by_ids({ "v", "w" })), (Ids { "v", "w" }));
    EXPECT_EQ(model.videos.back().id, "w");
}

TEST(VexaModelUpsert, ChannelKeepsImagesAndPlaylistKeepsVideoIds)
{
    auto model = VexaModel::empty();
    auto known = channel("c", "Old");
    known.avatar_url = "https://img/a.jpg";
    known.banner_url = "https://img/b.jpg";
    model.channels = { known };
    auto incoming = channel("c", "New");
    incoming.subscribers = 5;
    model.upsert_channel(incoming);
    ASSERT_EQ(model.channels.size(), 1u);
    EXPECT_EQ(model.channels[0].name, "New");
    EXPECT_EQ(model.channels[0].subscribers, 5u);
    EXPECT_EQ(model.channels[0].avatar_url, "https://img/a.jpg");
    EXPECT_EQ(model.channels[0].banner_url, "https://img/b.jpg");
    incoming.avatar_url = "https://img/new-a.jpg";
    model.upsert_channel(incoming);
    EXPECT_EQ(model.channels[0].avatar_url, "https://img/new-a.jpg");
    model.upsert_channel(channel("d"));
    EXPECT_EQ(model.channels.size(), 2u);

    Playlist list;
    list.id = "p";
    list.video_ids = { "1", "2" };
    model.upsert_playlist(list);
    Playlist refreshed;
    refreshed.id = "p";
    refreshed.title = "Renamed";
    model.upsert_playlist(refreshed);
    ASSERT_EQ(model.playlists.size(), 1u);
    EXPECT_EQ(model.playlists[0].title, "Renamed");
    EXPECT_EQ(model.playlists[0].video_ids, (Ids { "1", "2" }));
}

TEST(VexaModelChannels, EnsureChannelAddsOneStubPerNonEmptyId)
{
    auto model = VexaModel::empty();
    model.ensure_channel("", "Nobody");
    EXPECT_TRUE(model.channels.empty());
    model.ensure_channel("ch_s", "Stub Name");
    model.ensure_channel("ch_s", "Other Name");
    ASSERT_EQ(model.channels.size(), 1u);
    auto const& stub = model.channels[0];
    Channel expected;
    expected.id = "ch_s";
    expected.name = "Stub Name";
    expected.handle = "ch_s";
    expected.seed = "ch_s";
    EXPECT_EQ(stub, expected);
}

TEST(VexaModelChannels, SetChannelAvatarNeverOverwrites)
{
    auto model = VexaModel::empty();
    model.channels = { channel("c") };
    model.set_channel_avatar("c", "");
    EXPECT_EQ(model.channels[0].avatar_url, "");
    model.set_channel_avatar("c", "https://img/1.jpg");
    model.set_channel_avatar("c", "https://img/2.jpg");
    model.set_channel_avatar("unknown", "https://img/3.jpg");
    EXPECT_EQ(model.channels[0].avatar_url, "https://img/1.jpg");
}

TEST(VexaModelChannels, FillChannelAvatarMatchesByIdOrNormalizedName)
{
    auto model = VexaModel::empty();
    auto has_one = channel("c_has", "Orbit Lab");
    has_one.avatar_url = "https://img/kept.jpg";
    model.channels = { channel("c_id", "Different"), channel("c_name", "  ORBIT lab "), has_one, channel("c_other", "Other") };
    EXPECT_FALSE(model.fill_channel_avatar("c_id", "Orbit Lab", ""));
    EXPECT_TRUE(model.fill_channel_avatar("c_id", "Orbit Lab", "https://img/new.jpg"));
    EXPECT_EQ(model.channels[0].avatar_url, "https://img/new.jpg");
    EXPECT_EQ(model.channels[1].avatar_url, "https://img/new.jpg");
    EXPECT_EQ(model.channels[2].avatar_url, "https://img/kept.jpg");
    EXPECT_EQ(model.channels[3].avatar_url, "");
    // Nothing left to fill.
    EXPECT_FALSE(model.fill_channel_avatar("c_id", "Orbit Lab", "https://img/again.jpg"));
}

TEST(VexaModelChannels, FillChannelAvatarWithBlankIdAndNameChangesNothing)
{
    auto model = VexaModel::empty();
    model.channels = { channel("c", "   ") , channel("", "  ") };
    model.channels[1].name = "";
    EXPECT_FALSE(model.fill_channel_avatar("", "  ", "https://img/x.jpg"));
    EXPECT_EQ(model.channels[0].avatar_url, "");
    EXPECT_EQ(model.channels[1].avatar_url, "");
}

TEST(VexaModelChannels, ShareAvatarsByNameLaterWinsAndBlankNamesShareNothing)
{
    auto model = VexaModel::empty();
    auto first = channel("c1", "Orbit Lab");
    first.avatar_url = "https://img/first.jpg";
    auto second = channel("c2", "orbit lab ");
    second.avatar_url = "https://img/second.jpg";
    auto blank_with = channel("c3", " ");
    blank_with.avatar_url = "https://img/blank.jpg";
    auto blank_without = channel("c4", "x");
    blank_without.name = "";
    model.channels = { first, channel("c0", "ORBIT LAB"), second, blank_with, blank_without, channel("c5", "Solo") };
    model.share_avatars_by_name();
    EXPECT_EQ(model.channels[1].avatar_url, "https://img/second.jpg");
    EXPECT_EQ(model.channels[0].avatar_url, "https://img/first.jpg");
    EXPECT_EQ(model.channels[4].avatar_url, "");
    EXPECT_EQ(model.channels[5].avatar_url, "");
}

TEST(VexaModelFeed, ReplaceFeedMakesStubsFillsAvatarsAndClearsResults)
{
    auto model = VexaModel::empty();
    model.videos = { video("old") };
    model.channels = { channel("ch_known", "Known") };
    model.search_query = "q";
    model.search_video_ids = { "old" };
    model.related_for = "old";
    model.related_ids = { "old" };
    auto a = video("a", "ch_new", "A");
    a.channel_name = "New Creator";
    a.channel_avatar_url = "https://img/new.jpg";
    auto b = video("b", "ch_known", "B");
    auto c = video("c", "", "C");
    model.replace_feed({ a, b, c }, "live · yt-dlp");
    EXPECT_EQ(ids_of(model.videos_by_ids({ "old", "a", "b", "c" })), (Ids { "a", "b", "c" }));
    ASSERT_EQ(model.channels.size(), 2u);
    EXPECT_EQ(model.channels[1].id, "ch_new");
    EXPECT_EQ(model.channels[1].name, "New Creator");
    EXPECT_EQ(model.channels[1].avatar_url, "https://img/new.jpg");
    EXPECT_TRUE(model.search_query.empty());
    EXPECT_TRUE(model.search_video_ids.empty());
    EXPECT_TRUE(model.related_for.empty());
    EXPECT_TRUE(model.related_ids.empty());
    EXPECT_EQ(model.status_label, "live · yt-dlp");
    EXPECT_TRUE(model.status_live);
}

TEST(VexaModelLibrary, ToggleLikeAndSubscription)
{
    auto model = VexaModel::empty();
    model.toggle_like("a");
    model.toggle_like("b");
    model.toggle_like("a");
    EXPECT_EQ(model.liked_videos, (Ids { "b" }));

    model.channels = { channel("ch_x", "X", "@xhandle") };
    model.subscriptions = { "ch_y", "https://www.youtube.com/@xhandle", "ch_x" };
    model.toggle_subscription("ch_x");
    // The first entry naming the creator goes; the bare id stays until the next toggle.
    EXPECT_EQ(model.subscriptions, (Ids { "ch_y", "ch_x" }));
    model.toggle_subscription("ch_x");
    EXPECT_EQ(model.subscriptions, (Ids { "ch_y" }));
    model.toggle_subscription("ch_x");
    EXPECT_EQ(model.subscriptions, (Ids { "ch_y", "ch_x" }));
}

TEST(VexaModelHistory, RecordKeepsOneEntryAtTheFrontAndFiftyAtMost)
{
    auto model = VexaModel::empty();
    model.record_history("a");
    model.record_history("b");
    model.record_history("a");
    EXPECT_EQ(model.history, (Ids { "a", "b" }));
    // The id may point into the list itself.
    model.record_history(model.history[1]);
    EXPECT_EQ(model.history, (Ids { "b", "a" }));

    model.history.clear();
    for (int i = 0; i < 51; ++i)
        model.record_history(fmt::format("v{}", i));
    ASSERT_EQ(model.history.size(), 50u);
    EXPECT_EQ(model.history.front(), "v50");
    EXPECT_EQ(model.history.back(), "v1");
}

TEST(VexaModelHistory, RebuildSortsNewestFirstWithIdTiesAndKeepsFifty)
{
    auto model = VexaModel::empty();
    model.history = { "stale" };
    model.rebuild_history({ { "b", 100 }, { "a", 100 }, { "c", 300 }, { "d", 50 } });
    EXPECT_EQ(model.history, (Ids { "c", "a", "b", "d" }));

    std::map<std::string, uint64_t> sixty;
    for (int i = 0; i < 60; ++i)
        sixty[fmt::format("v{:02}", i)] = 1'000 + static_cast<uint64_t>(i);
    model.rebuild_history(sixty);
    ASSERT_EQ(model.history.size(), 50u);
    EXPECT_EQ(model.history.front(), "v59");
    EXPECT_EQ(model.history.back(), "v10");

    model.rebuild_history({});
    EXPECT_TRUE(model.history.empty());
}

TEST(VexaModelNotices, NewestFirstAndEightAtMost)
{
    auto model = VexaModel::empty();
    for (int i = 1; i <= 9; ++i)
        model.push_notice(fmt::format("notice {}", i));
    ASSERT_EQ(model.notices.size(), 8u);
    EXPECT_EQ(model.notices.front(), "notice 9");
    EXPECT_EQ(model.notices.back(), "notice 2");
}

}
