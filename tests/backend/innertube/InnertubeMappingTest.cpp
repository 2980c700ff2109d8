#include <gtest/gtest.h>

#include "src/backend/InnertubeBrowse.h"
#include "src/backend/InnertubeWatch.h"
#include "tests/backend/innertube/InnertubeAnswers.h"

namespace {

using namespace vexa;
using namespace vexa::innertube;
using vexa::testing::answer_of;
using vexa::testing::innertube_fixture_answer;

constexpr char const* thumbs = "http://thumbs.test";

std::vector<std::string> ids_of(std::vector<Video> const& videos)
{
    std::vector<std::string> ids;
    for (auto const& video : videos)
        ids.push_back(video.id);
    return ids;
}

TEST(InnertubeMapping, LegacySearchRenderersMapToVideosChannelsAndPlaylists)
{
    auto items = search_answer(innertube_fixture_answer("search_legacy.json").root(), thumbs);
    // Items in known containers only, in document order; the ad slot and the item without an id are skipped.
    ASSERT_EQ(ids_of(items.videos), (std::vector<std::string> { "vidcat1", "vidlive", "vidshelf" }));

    auto const& cat = items.videos[0];
    EXPECT_EQ(cat.title, "Cats compilation");
    EXPECT_EQ(cat.seed, "vidcat1");
    EXPECT_EQ(cat.channel_id, "UCcats");
    EXPECT_EQ(cat.channel_seed, "UCcats");
    EXPECT_EQ(cat.channel_name, "Cat Channel");
    EXPECT_EQ(cat.channel_avatar_url, "https://yt3.example/av68");
    EXPECT_EQ(cat.views, 1'234'567u);
    EXPECT_EQ(cat.published, "3 days ago");
    EXPECT_EQ(cat.duration, 3723u);
    EXPECT_EQ(cat.description, "The best cats");
    EXPECT_EQ(cat.thumbnail_url, "http://thumbs.test/vi/vidcat1/hqdefault.jpg"); // never the item's own list
    EXPECT_EQ(cat.category, "Search");
    EXPECT_EQ(cat.likes, 0u);
    EXPECT_FALSE(cat.live);
    EXPECT_FALSE(cat.dearrow_title.has_value());

    EXPECT_TRUE(items.videos[1].live);
    EXPECT_EQ(items.videos[1].duration, 0u);
    EXPECT_EQ(items.videos[1].views, 1'234u);

    auto const& bare = items.videos[2];
    EXPECT_EQ(bare.channel_name, "Unknown");
    EXPECT_EQ(bare.channel_id, "");
    EXPECT_EQ(bare.channel_avatar_url, "");
    EXPECT_EQ(bare.duration, 245u); // from the time-status overlay
    EXPECT_EQ(bare.description, "From a shelf");
    EXPECT_EQ(bare.views, 0u);

    ASSERT_EQ(items.channels.size(), 1u);
    auto const& channel = items.channels[0];
    EXPECT_EQ(channel.id, "UCcats");
    EXPECT_EQ(channel.name, "Cat Channel");
    EXPECT_EQ(channel.handle, "@catchannel");
    EXPECT_EQ(channel.subscribers, 1'200'000u);
    EXPECT_TRUE(channel.verified);
    EXPECT_EQ(channel.description, "All cats");
    EXPECT_EQ(channel.avatar_url, "https://yt3.example/cat176");
    EXPECT_EQ(channel.banner_url, "");

    ASSERT_EQ(items.playlists.size(), 1u);
    auto const& playlist = items.playlists[0];
    EXPECT_EQ(playlist.id, "PLcats");
    EXPECT_EQ(playlist.title, "Cat playlist");
    EXPECT_EQ(playlist.channel_id, "UCcats");
    EXPECT_EQ(playlist.channel_name, "Cat Channel");
    EXPECT_EQ(playlist.thumbnail_url, "https://i.example/pl.jpg");
    EXPECT_EQ(playlist.video_count, 25u);
    EXPECT_TRUE(playlist.video_ids.empty());
}

TEST(InnertubeMapping, CurrentSearchLockupsMapLikeTheirOlderRenderers)
{
    auto items = search_answer(innertube_fixture_answer("search_current.json").root(), thumbs);
    ASSERT_EQ(ids_of(items.videos), (std::vector<std::string> { "vidnew1", "vidnew2" }));
    auto const& dog = items.videos[0];
    EXPECT_EQ(dog.title, "Dogs today");
    EXPECT_EQ(dog.channel_id, "UCdogs");
    EXPECT_EQ(dog.channel_name, "Dog Channel");
    EXPECT_EQ(dog.channel_avatar_url, "https://yt3.example/dog88"); // the largest, "//" made https
    EXPECT_EQ(dog.views, 3'400u);
    EXPECT_EQ(dog.published, "2 weeks ago");
    EXPECT_EQ(dog.duration, 754u);
    EXPECT_FALSE(dog.live);
    EXPECT_TRUE(items.videos[1].live);
    EXPECT_EQ(items.videos[1].channel_name, "Unknown");

    ASSERT_EQ(items.playlists.size(), 1u);
    EXPECT_EQ(items.playlists[0].id, "PLdogs");
    EXPECT_EQ(items.playlists[0].title, "Dog mix");
    EXPECT_EQ(items.playlists[0].channel_id, "UCdogs");
    EXPECT_EQ(items.playlists[0].video_count, 12u);
    EXPECT_EQ(items.playlists[0].thumbnail_url, "https://i.example/dogpl.jpg");

    ASSERT_EQ(items.channels.size(), 1u);
    EXPECT_EQ(items.channels[0].handle, "@dogchannel"); // the handle where the count used to be
    EXPECT_EQ(items.channels[0].subscribers, 3'400u);
    EXPECT_TRUE(items.channels[0].verified);
    EXPECT_EQ(items.channels[0].avatar_url, "https://yt3.example/dogch");
}

TEST(InnertubeMapping, RenderersWithEveryFieldMissingTakeTheDefaults)
{
    auto items = search_answer(innertube_fixture_answer("hostile_empty_renderers.json").root(), thumbs);
    ASSERT_EQ(ids_of(items.videos), (std::vector<std::string> { "vidbare", "vidbarelock" }));
    for (auto const& video : items.videos) {
        EXPECT_EQ(video.title, "");
        EXPECT_EQ(video.channel_name, "Unknown");
        EXPECT_EQ(video.channel_id, "");
        EXPECT_EQ(video.views, 0u);
        EXPECT_EQ(video.duration, 0u);
        EXPECT_EQ(video.thumbnail_url, "http://thumbs.test/vi/" + video.id + "/hqdefault.jpg");
    }
    ASSERT_EQ(items.channels.size(), 1u);
    EXPECT_EQ(items.channels[0].handle, "UCbare"); // no handle: the id
    EXPECT_EQ(items.channels[0].subscribers, 0u);
    ASSERT_EQ(items.playlists.size(), 2u);
    EXPECT_EQ(items.playlists[0].channel_name, "Unknown");
    EXPECT_EQ(items.playlists[1].id, "PLbarelock");
    EXPECT_EQ(items.playlists[1].video_count, 0u);
}

TEST(InnertubeMapping, WrongTypesEverywhereReadAsDefaults)
{
    auto items = search_answer(innertube_fixture_answer("hostile_wrong_types.json").root(), thumbs);
    ASSERT_EQ(ids_of(items.videos), (std::vector<std::string> { "vidodd", "vidlock" }));
    EXPECT_EQ(items.videos[0].title, "");
    EXPECT_EQ(items.videos[0].channel_name, "Unknown");
    EXPECT_EQ(items.videos[0].views, 0u);
    EXPECT_FALSE(items.videos[0].live);
    ASSERT_EQ(items.channels.size(), 1u);
    EXPECT_EQ(items.channels[0].avatar_url, "https://x.example/a");
    EXPECT_EQ(items.channels[0].handle, "@");
    ASSERT_EQ(items.playlists.size(), 1u);
    EXPECT_EQ(items.playlists[0].video_count, 0u);
    // A document of the wrong shape altogether is no items.
    auto none = search_answer(answer_of(R"({"contents": [1, 2, {"videoRenderer": {"videoId": "x"}}]})").root(), thumbs);
    EXPECT_TRUE(none.videos.empty());
}

TEST(InnertubeMapping, WatchPagesGiveTheVideoRelatedVideosAndTheCommentsToken)
{
    struct Case {
        char const* fixture;
        char const* title;
        uint64_t views;
        uint64_t likes;
        bool live;
        char const* published;
        char const* avatar;
        char const* description;
        uint32_t duration;
        char const* token;
        std::vector<std::string> related;
    };
    Case const cases[] = {
        { "watch_legacy.json", "Watch me", 98'765, 4'321, false, "Mar 5, 2021", "https://yt3.example/w88", "Line one\nline two", 0, "TOKEN_LEGACY", { "relA", "relB" } },
        { "watch_current.json", "Watch me now", 1'500, 1'234, true, "Started streaming 2 hours ago", "https://yt3.example/w176", "Current description", 754, "TOKEN_CURRENT", { "relC" } },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.fixture);
        auto page = watch_page(innertube_fixture_answer(c.fixture).root(), "vidwatch", thumbs);
        ASSERT_TRUE(page.has_value()) << page.error().message;
        auto const& video = page->video;
        EXPECT_EQ(video.id, "vidwatch");
        EXPECT_EQ(video.seed, "vidwatch");
        EXPECT_EQ(video.title, c.title);
        EXPECT_EQ(video.views, c.views);
        EXPECT_EQ(video.likes, c.likes);
        EXPECT_EQ(video.live, c.live);
        EXPECT_EQ(video.published, c.published);
        EXPECT_EQ(video.channel_id, "UCwatch");
        EXPECT_EQ(video.channel_seed, "UCwatch");
        EXPECT_EQ(video.channel_name, "Watch Channel");
        EXPECT_EQ(video.channel_avatar_url, c.avatar);
        EXPECT_EQ(video.description, c.description);
        EXPECT_EQ(video.duration, c.duration); // unknown (0) unless the answer carries a length
        EXPECT_EQ(video.category, "Video");
        EXPECT_EQ(video.thumbnail_url, "http://thumbs.test/vi/vidwatch/hqdefault.jpg");
        EXPECT_EQ(page->comments_token, c.token);
        EXPECT_EQ(ids_of(page->related), c.related);
    }
    auto related = watch_page(innertube_fixture_answer("watch_legacy.json").root(), "vidwatch", thumbs)->related;
    EXPECT_EQ(related[0].channel_name, "Other");
    EXPECT_EQ(related[0].duration, 300u);
    EXPECT_EQ(related[1].channel_name, "Unknown");
}

TEST(InnertubeMapping, AWatchAnswerForAnotherVideoOrForNoneIsAnError)
{
    auto other = watch_page(innertube_fixture_answer("watch_legacy.json").root(), "videlse", thumbs);
    ASSERT_FALSE(other.has_value());
    EXPECT_EQ(other.error().message, "answer is for video vidwatch");
    auto empty = watch_page(answer_of("{}").root(), "videlse", thumbs);
    ASSERT_FALSE(empty.has_value());
    EXPECT_EQ(empty.error().message, "answer holds no video videlse");
}

TEST(InnertubeMapping, CommentPagesInBothShapes)
{
    auto legacy = comment_page(innertube_fixture_answer("comments_legacy.json").root(), 60);
    ASSERT_EQ(legacy.size(), 3u);
    EXPECT_EQ(legacy[0], (Comment { "jane q public", "JQ", "First comment", 1'500, "2 days ago", true, true, 7 }));
    EXPECT_EQ(legacy[1], (Comment { "42", "4", "Second", 0, "1 day ago", false, false, 0 }));
    EXPECT_EQ(legacy[2], (Comment { "Unknown", "?", "Nameless", 0, "", false, false, 0 }));

    auto current = comment_page(innertube_fixture_answer("comments_current.json").root(), 60);
    ASSERT_EQ(current.size(), 3u);
    EXPECT_EQ(current[0], (Comment { "@alice smith", "@S", "Current first", 2'300, "3 hours ago", true, true, 12 }));
    EXPECT_EQ(current[1], (Comment { "bob", "B", "Current second", 0, "1 hour ago", false, false, 0 }));
    EXPECT_EQ(current[2].author, "Unknown"); // its payload is missing: every field defaults

    EXPECT_EQ(comment_page(innertube_fixture_answer("comments_legacy.json").root(), 2).size(), 2u);
    EXPECT_TRUE(comment_page(answer_of(R"({"onResponseReceivedEndpoints": []})").root(), 60).empty());
}

TEST(InnertubeMapping, ChannelPagesInBothShapesCarryTheChannelIntoTheirUploads)
{
    auto legacy = channel_answer(innertube_fixture_answer("channel_legacy.json").root(), "UCold", thumbs);
    ASSERT_TRUE(legacy.has_value()) << legacy.error().message;
    EXPECT_EQ(legacy->first, (Channel { "UCold", "Old Channel", "@oldchannel", 12'500, true, "Old style", "UCold", "https://yt3.example/old900", "" }));
    ASSERT_EQ(ids_of(legacy->second), (std::vector<std::string> { "up1", "up2" }));
    EXPECT_EQ(legacy->second[0].channel_id, "UCold");
    EXPECT_EQ(legacy->second[0].channel_seed, "UCold");
    EXPECT_EQ(legacy->second[0].channel_name, "Old Channel");
    EXPECT_EQ(legacy->second[0].duration, 600u);

    auto current = channel_answer(innertube_fixture_answer("channel_current.json").root(), "UCnew", thumbs);
    ASSERT_TRUE(current.has_value()) << current.error().message;
    EXPECT_EQ(current->first, (Channel { "UCnew", "New Channel", "@newchannel", 2'500'000, true, "New style", "UCnew", "https://yt3.example/new900", "" }));
    ASSERT_EQ(ids_of(current->second), (std::vector<std::string> { "up3", "up4" }));
    EXPECT_EQ(current->second[0].channel_name, "New Channel");
    EXPECT_EQ(current->second[1].channel_name, "Guest"); // an upload naming its own creator keeps it
    EXPECT_EQ(current->second[1].channel_id, "UCguest");
}

TEST(InnertubeMapping, ChannelAndPlaylistPagesWithoutContentsGiveTheAlert)
{
    auto channel = channel_answer(innertube_fixture_answer("channel_alert.json").root(), "UCnone", thumbs);
    ASSERT_FALSE(channel.has_value());
    EXPECT_EQ(channel.error().message, "This channel does not exist.");
    auto silent = channel_answer(answer_of("{}").root(), "UCnone", thumbs);
    ASSERT_FALSE(silent.has_value());
    EXPECT_EQ(silent.error().message, "channel not found");
    auto playlist = playlist_answer(innertube_fixture_answer("playlist_alert.json").root(), "PLnone", thumbs);
    ASSERT_FALSE(playlist.has_value());
    EXPECT_EQ(playlist.error().message, "The playlist does not exist.");
}

TEST(InnertubeMapping, PlaylistPagesInBothShapes)
{
    auto legacy = playlist_answer(innertube_fixture_answer("playlist_legacy.json").root(), "PLold", thumbs);
    ASSERT_TRUE(legacy.has_value()) << legacy.error().message;
    EXPECT_EQ(legacy->first, (Playlist { "PLold", "Old playlist", "UCowner", "List Owner", "https://i.example/plold.jpg", "PLold", { "pl1", "pl2" }, 42 }));
    ASSERT_EQ(legacy->second.size(), 2u);
    EXPECT_EQ(legacy->second[0].duration, 125u);
    EXPECT_EQ(legacy->second[0].channel_name, "Maker");
    EXPECT_EQ(legacy->second[1].duration, 180u);

    auto current = playlist_answer(innertube_fixture_answer("playlist_current.json").root(), "PLnew", thumbs);
    ASSERT_TRUE(current.has_value()) << current.error().message;
    // No count anywhere: the number fetched.
    EXPECT_EQ(current->first, (Playlist { "PLnew", "New playlist", "", "Unknown", "https://i.example/plnew.jpg", "PLnew", { "pl3" }, 1 }));
}

TEST(InnertubeMapping, TrendingReadsItsShelvesAndARetiredPageHasNoVideos)
{
    auto videos = trending_answer(innertube_fixture_answer("trending_legacy.json").root(), thumbs);
    ASSERT_EQ(ids_of(videos), (std::vector<std::string> { "tr1", "tr2" }));
    EXPECT_EQ(videos[0].views, 2'000'000'000u);
    EXPECT_TRUE(trending_answer(innertube_fixture_answer("trending_retired.json").root(), thumbs).empty());
}

}
