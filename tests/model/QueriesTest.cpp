#include <gtest/gtest.h>

#include "src/model/VexaModel.h"
#include "tests/model/ModelFixtures.h"

namespace {

using namespace vexa;
using vexa::testing::channel;
using vexa::testing::ids_of;
using vexa::testing::record_ids;
using vexa::testing::video;
using Ids = std::vector<std::string>;

TEST(VexaModelEmpty, StartsOnHomeWithNothingKnown)
{
    auto model = VexaModel::empty();
    EXPECT_EQ(model.route, Route::home());
    EXPECT_TRUE(model.videos.empty());
    EXPECT_TRUE(model.channels.empty());
    EXPECT_EQ(model.owner_id, "profile:local");
    EXPECT_EQ(model.status_label, "sample data");
    EXPECT_FALSE(model.status_live);
    EXPECT_EQ(model.settings, Settings {});
    EXPECT_FALSE(model.history_notice || model.feed_error || model.search_error);
    EXPECT_EQ(model.playback_position, 0.0);
    EXPECT_EQ(model.result_types, (ResultTypes { .videos = true, .playlists = true, .creators = true, .all = true }));
    EXPECT_FALSE(model.playing || model.palette_open || model.feed_loading || model.searching);
}

TEST(VexaModelLookups, FirstExactMatchWins)
{
    auto model = VexaModel::empty();
    model.videos = { video("a", "ch_1", "first"), video("A"), video("a", "ch_2", "second") };
    ASSERT_NE(model.video("a"), nullptr);
    EXPECT_EQ(model.video("a")->title, "first");
    EXPECT_EQ(model.video("A")->id, "A");
    EXPECT_EQ(model.video("b"), nullptr);
    EXPECT_EQ(model.video(""), nullptr);
    EXPECT_EQ(ids_of(model.videos_by_ids({ "A", "missing", "a", "A" })), (Ids { "A", "a", "A" }));
    EXPECT_EQ(ids_of(model.videos_of_channel("ch_a")), (Ids { "A" }));
}

TEST(VexaModelLookups, HistoryVideosSkipUnknownIds)
{
    auto model = VexaModel::empty();
    model.videos = { video("a"), video("b") };
    model.history = { "b", "gone", "a" };
    EXPECT_EQ(ids_of(model.history_videos()), (Ids { "b", "a" }));
}

TEST(VexaModelLikes, DisplayLikesCountsTheUsersLike)
{
    auto model = VexaModel::empty();
    auto liked = video("a");
    liked.likes = 41;
    model.videos = { liked };
    EXPECT_EQ(model.display_likes(liked), 41u);
    model.toggle_like("a");
    EXPECT_TRUE(model.is_liked("a"));
    EXPECT_EQ(model.display_likes(liked), 42u);
    liked.likes = UINT64_MAX;
    EXPECT_EQ(model.display_likes(liked), UINT64_MAX);
}

TEST(VexaModelSubscriptions, EntriesNameACreatorByIdHandleOrAddress)
{
    struct Case {
        char const* entry;
        char const* handle;
        bool subscribed;
    };
    Case const cases[] = {
        { "ch_x", "@orbitlab", true },
        { "@orbitlab", "@orbitlab", true },
        { "https://www.youtube.com/@orbitlab", "@orbitlab", true },
        { "https://www.youtube.com/@orbitlab", "/@orbitlab", true },
        { "https://www.youtube.com/@orbitlab", "//@orbitlab", true },
        { "https://www.youtube.com/c/OrbitLab", "/c/OrbitLab", true },
        { "https://www.youtube.com//@orbitlab", "@orbitlab", false },
        { "http://www.youtube.com/@orbitlab", "@orbitlab", false },
        { "@OrbitLab", "@orbitlab", false },
        { "ch_y", "@orbitlab", false },
        // An empty handle names nobody, not even through an empty entry or the bare prefix.
        { "", "", false },
        { "https://www.youtube.com/", "", false },
        { "https://www.youtube.com/", "/", false },
    };
    for (auto const& c : cases) {
        auto model = VexaModel::empty();
        model.channels = { channel("ch_x", "Orbit", c.handle) };
        model.subscriptions = { "other", c.entry };
        EXPECT_EQ(model.is_subscribed("ch_x"), c.subscribed) << c.entry << " / " << c.handle;
        if (c.subscribed) {
            EXPECT_EQ(model.subscription_for("ch_x"), std::string(c.entry));
        }
    }
}

TEST(VexaModelSubscriptions, UnknownCreatorMatchesOnlyByIdAndFeedKeepsVideoOrder)
{
    auto model = VexaModel::empty();
    model.subscriptions = { "@stub", "ch_b" };
    EXPECT_FALSE(model.is_subscribed("ch_unknown"));
    model.channels = { channel("ch_a", "A", "@stub") };
    model.videos = { video("1", "ch_b"), video("2", "ch_c"), video("3", "ch_a"), video("4", "ch_b") };
    EXPECT_EQ(ids_of(model.subscription_feed()), (Ids { "1", "3", "4" }));
    EXPECT_EQ(model.subscription_for("ch_a"), "@stub");
}

TEST(VexaModelSearch, LocalSearchTrimsLowercasesAndMatchesThreeFields)
{
    auto model = VexaModel::empty();
    model.videos = {
        video("title", "ch_a", "Building A MOON Base"),
        video("creator", "ch_moon"),
        video("category", "ch_b", "Other", "Moonlight"),
        video("none", "ch_c", "Sunrise", "Travel"),
        video("unicode", "ch_d", "ÉCLIPSE totale"),
        video("broken", "ch_e", "Bad \xff Bytes"),
    };
    struct Case {
        char const* query;
        Ids expected;
    };
    Case const cases[] = {
        { "  MOON ", { "title", "creator", "category" } },
        { "moon base", { "title" } },
        { "   ", { "title", "creator", "category", "none", "unicode", "broken" } },
        { "", { "title", "creator", "category", "none", "unicode", "broken" } },
        { "BYTES", { "broken" } },
        { "éclipse", { "unicode" } },
        { "zebra", {} },
    };
    for (auto const& c : cases)
        EXPECT_EQ(ids_of(model.search_local(c.query)), c.expected) << '"' << c.query << '"';
}

TEST(VexaModelSearch, StoredResultsAnswerOnlyTheirQueryAndOnlyWhenKnown)
{
    auto model = VexaModel::empty();
    model.videos = { video("a", "ch_a", "cats"), video("b", "ch_a", "dogs"), video("c", "ch_a", "cats too") };
    model.search_query = "cats";
    model.search_video_ids = { "c", "unknown" };
    EXPECT_EQ(ids_of(model.search_results("cats")), (Ids { "c" }));
    // Another query searches locally.
    EXPECT_EQ(ids_of(model.search_results("dogs")), (Ids { "b" }));
    // Stored ids that are all unknown fall back to the local search.
    model.search_video_ids = { "gone" };
    EXPECT_EQ(ids_of(model.search_results("cats")), (Ids { "a", "c" }));
}

TEST(VexaModelSearch, PlaylistsAndCreatorsOnlyForTheStoredQuery)
{
    auto model = VexaModel::empty();
    Playlist list;
    list.id = "pl_1";
    model.playlists = { list };
    model.channels = { channel("ch_1"), channel("ch_2") };
    model.search_query = "q";
    model.search_playlist_ids = { "pl_gone", "pl_1" };
    model.search_channel_ids = { "ch_2", "ch_gone", "ch_1" };
    EXPECT_EQ(record_ids(model.search_playlists("q")), (Ids { "pl_1" }));
    EXPECT_EQ(record_ids(model.search_channels("q")), (Ids { "ch_2", "ch_1" }));
    EXPECT_TRUE(model.search_playlists("other").empty());
    EXPECT_TRUE(model.search_channels("Q").empty());
}

TEST(VexaModelRelated, FallbackPutsTheSameCategoryFirst)
{
    auto model = VexaModel::empty();
    model.videos = {
        video("1", "ch", "", "music"),
        video("2", "ch", "", "tech"),
        video("3", "ch", "", "music"),
        video("4", "ch", "", ""),
        video("5", "ch", "", "tech"),
    };
    EXPECT_EQ(ids_of(model.related_fallback("2")), (Ids { "5", "1", "3", "4" }));
    EXPECT_EQ(ids_of(model.related_fallback("3")), (Ids { "1", "2", "4", "5" }));
    // An unknown video has the empty category, so uncategorised videos come first.
    EXPECT_EQ(ids_of(model.related_fallback("zz")), (Ids { "4", "1", "2", "3", "5" }));
}

TEST(VexaModelRelated, StoredListOnlyForItsVideoAndOnlyWhenKnown)
{
    auto model = VexaModel::empty();
    model.videos = { video("1", "ch", "", "x"), video("2", "ch", "", "y"), video("3", "ch", "", "x") };
    model.related_for = "1";
    model.related_ids = { "2" };
    EXPECT_EQ(ids_of(model.related_videos("1")), (Ids { "2" }));
    EXPECT_EQ(ids_of(model.related_videos("2")), (Ids { "1", "3" }));
    model.related_ids = { "gone" };
    EXPECT_EQ(ids_of(model.related_videos("1")), (Ids { "3", "2" }));
}

TEST(VexaModelThumbnail, DeArrowThumbnailNeedsBothSettingsAndAnAddress)
{
    auto model = VexaModel::empty();
    auto shown = video("v");
    shown.thumbnail_url = "https://img/own.jpg";
    model.dearrow_thumbnails["v"] = "https://img/dearrow.jpg";
    EXPECT_EQ(model.thumbnail_for(shown), "https://img/dearrow.jpg");
    model.settings.dearrow = false;
    EXPECT_EQ(model.thumbnail_for(shown), "https://img/own.jpg");
    model.settings.dearrow = true;
    model.settings.dearrow_thumbnails = false;
    EXPECT_EQ(model.thumbnail_for(shown), "https://img/own.jpg");
    model.settings.dearrow_thumbnails = true;
    model.dearrow_thumbnails["v"] = "";
    EXPECT_EQ(model.thumbnail_for(shown), "https://img/own.jpg");
}

}
