#include <gtest/gtest.h>

#include "kaso/media/MprisMetadata.h"

using namespace kaso::media;

TEST(MprisMetadata, BusNamesKeepOnlyWhatABusNameAllows)
{
    struct Case {
        char const* service;
        char const* expected;
    };
    Case const cases[] = {
        { "kaso-vexa", "org.mpris.MediaPlayer2.kaso-vexa" },
        { "Kaso Vexa!", "org.mpris.MediaPlayer2.Kaso_Vexa_" },
        { "player.two", "org.mpris.MediaPlayer2.player_two" },
        { "9lives", "org.mpris.MediaPlayer2._9lives" },
        { "", "org.mpris.MediaPlayer2._" },
    };
    for (auto const& c : cases) {
        auto name = mpris::bus_name(c.service);
        EXPECT_EQ(name, c.expected);
        EXPECT_TRUE(g_dbus_is_name(name.c_str())) << name;
    }
}

TEST(MprisMetadata, TrackIdsAreValidObjectPathsForAnyVideoId)
{
    struct Case {
        std::string video_id;
        char const* expected;
    };
    Case const cases[] = {
        { "dQw4w9WgXcQ", "/org/kaso/media/track/dQw4w9WgXcQ" },
        // "-" and "_" both occur in YouTube ids: "a-b" and "a_b" are different videos.
        { "a-b", "/org/kaso/media/track/a_2db" },
        { "a_b", "/org/kaso/media/track/a_5fb" },
        { "../etc", "/org/kaso/media/track/_2e_2e_2fetc" },
        { "\xc3\xbc", "/org/kaso/media/track/_c3_bc" },
        { std::string("x\0y", 3), "/org/kaso/media/track/x_00y" },
        { "", "/org/mpris/MediaPlayer2/TrackList/NoTrack" },
    };
    for (auto const& c : cases) {
        NowPlaying item { .video_id = c.video_id, .title = {}, .artist = {}, .art_url = {}, .length_ms = {} };
        auto path = mpris::track_id(&item);
        EXPECT_EQ(path, c.expected);
        EXPECT_TRUE(g_variant_is_object_path(path.c_str())) << path;
    }
    EXPECT_EQ(mpris::track_id(nullptr), "/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

TEST(MprisMetadata, MetadataWithoutAnItemHoldsOnlyTheNoTrackId)
{
    GVariant* metadata = g_variant_ref_sink(mpris::metadata(nullptr));
    EXPECT_EQ(g_variant_n_children(metadata), 1u);
    GVariantDict dict;
    g_variant_dict_init(&dict, metadata);
    char const* track = nullptr;
    ASSERT_TRUE(g_variant_dict_lookup(&dict, "mpris:trackid", "&o", &track));
    EXPECT_STREQ(track, "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    g_variant_dict_clear(&dict);
    g_variant_unref(metadata);
}

TEST(MprisMetadata, HugeLengthsAreClampedNotWrapped)
{
    NowPlaying item { .video_id = "v", .title = "t", .artist = "a", .art_url = {}, .length_ms = UINT64_MAX };
    GVariant* metadata = g_variant_ref_sink(mpris::metadata(&item));
    GVariantDict dict;
    g_variant_dict_init(&dict, metadata);
    gint64 length = 0;
    ASSERT_TRUE(g_variant_dict_lookup(&dict, "mpris:length", "x", &length));
    EXPECT_GT(length, 0);
    g_variant_dict_clear(&dict);
    g_variant_unref(metadata);
}
