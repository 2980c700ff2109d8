#include <gtest/gtest.h>

#include "src/model/Route.h"
#include "src/model/Segment.h"
#include "src/model/Settings.h"

namespace {

using namespace vexa;

TEST(Route, EqualityComparesKindsAndTheTextOfTextKinds)
{
    EXPECT_EQ(Route::home(), Route::home());
    EXPECT_NE(Route::home(), Route::trending());
    EXPECT_EQ(Route::search("cats"), Route::search("cats"));
    EXPECT_NE(Route::search("cats"), Route::search("dogs"));
    EXPECT_NE(Route::watch("a"), Route::channel("a"));
    EXPECT_NE(Route::search(""), Route::watch(""));
    // A stray text on a kind that carries none does not make two Home routes differ.
    EXPECT_EQ((Route { RouteKind::Home, "stray" }), Route::home());
}

TEST(Route, OnlyWatchChannelPlaylistAndSearchCarryText)
{
    struct Case {
        Route route;
        RouteKind kind;
        bool has_text;
    };
    Case const cases[] = {
        { Route::home(), RouteKind::Home, false },
        { Route::trending(), RouteKind::Trending, false },
        { Route::subscriptions(), RouteKind::Subscriptions, false },
        { Route::queue(), RouteKind::Queue, false },
        { Route::watch("v"), RouteKind::Watch, true },
        { Route::channel("c"), RouteKind::Channel, true },
        { Route::playlist("p"), RouteKind::Playlist, true },
        { Route::search("q"), RouteKind::Search, true },
        { Route::history(), RouteKind::History, false },
        { Route::settings(), RouteKind::Settings, false },
    };
    for (auto const& c : cases) {
        EXPECT_TRUE(c.route.is(c.kind)) << route_kind_name(c.kind);
        EXPECT_EQ(c.route.has_text(), c.has_text) << route_kind_name(c.kind);
    }
    EXPECT_EQ(static_cast<int>(RouteKind::Watch), 4);
    EXPECT_EQ(static_cast<int>(RouteKind::Settings), 9);
    EXPECT_EQ(Route {}, Route::home());
}

TEST(SegmentCategory, RowsAreLookedUpByIndex)
{
    struct Case {
        SegmentCategory category;
        char const* api_id;
        char const* label;
        Rgb8 color;
    };
    Case const cases[] = {
        { SegmentCategory::Sponsor, "sponsor", "Sponsor", { 0x00, 0xD4, 0x00 } },
        { SegmentCategory::SelfPromo, "selfpromo", "Self-promo", { 0xFF, 0xFF, 0x00 } },
        { SegmentCategory::Interaction, "interaction", "Interaction reminder", { 0xCC, 0x00, 0xFF } },
        { SegmentCategory::Intro, "intro", "Intermission / intro", { 0x00, 0xFF, 0xFF } },
        { SegmentCategory::Outro, "outro", "Endcards / outro", { 0x02, 0x02, 0xED } },
        { SegmentCategory::Preview, "preview", "Preview / recap", { 0x00, 0x8F, 0xD6 } },
        { SegmentCategory::MusicOfftopic, "music_offtopic", "Non-music section", { 0xFF, 0x94, 0x00 } },
        { SegmentCategory::Filler, "filler", "Filler tangent", { 0x7A, 0x00, 0xFF } },
    };
    uint8_t index = 0;
    for (auto const& c : cases) {
        EXPECT_EQ(segment_category_api_id(c.category), c.api_id);
        EXPECT_EQ(segment_category_label(c.category), c.label);
        EXPECT_EQ(segment_category_color(c.category), c.color) << c.api_id;
        EXPECT_EQ(segment_category_from_api_id(c.api_id), c.category);
        EXPECT_EQ(segment_category_from_index(index), c.category);
        ++index;
    }
    EXPECT_EQ(segment_category_from_index(8), std::nullopt);
}

TEST(SegmentCategory, FromApiIdIsExactAndCaseSensitive)
{
    for (auto text : { "Sponsor", "SPONSOR", " sponsor", "sponsor ", "", "music-offtopic", "poi_highlight" })
        EXPECT_EQ(segment_category_from_api_id(text), std::nullopt) << '"' << text << '"';
}

TEST(SegmentMode, TextsAndCycle)
{
    EXPECT_EQ(segment_mode_from_text("skip"), SegmentMode::Skip);
    EXPECT_EQ(segment_mode_from_text("show"), SegmentMode::Show);
    EXPECT_EQ(segment_mode_from_text("disabled"), SegmentMode::Disabled);
    EXPECT_EQ(segment_mode_from_text("Skip"), std::nullopt);
    EXPECT_EQ(segment_mode_text(SegmentMode::Disabled), "disabled");
    EXPECT_EQ(next_segment_mode_in_cycle(SegmentMode::Skip), SegmentMode::Show);
    EXPECT_EQ(next_segment_mode_in_cycle(SegmentMode::Show), SegmentMode::Disabled);
    EXPECT_EQ(next_segment_mode_in_cycle(SegmentMode::Disabled), SegmentMode::Skip);
}

TEST(Segment, ContainsIsHalfOpen)
{
    Segment segment { SegmentCategory::Sponsor, 10.0, 20.0, 3 };
    EXPECT_FALSE(segment.contains(9.999));
    EXPECT_TRUE(segment.contains(10.0));
    EXPECT_TRUE(segment.contains(19.999));
    EXPECT_FALSE(segment.contains(20.0));
}

TEST(Settings, DefaultsSkipEveryCategoryButFiller)
{
    Settings settings;
    EXPECT_EQ(settings.preferred_quality, "1080p");
    EXPECT_EQ(settings.sponsor_categories.size(), 8u);
    for (auto category : all_segment_categories) {
        auto expected = category == SegmentCategory::Filler ? SegmentMode::Disabled : SegmentMode::Skip;
        EXPECT_EQ(settings.segment_mode(category), expected) << segment_category_api_id(category);
    }
    for (auto flag : all_setting_flags)
        EXPECT_TRUE(settings.flag(flag)) << setting_flag_key(flag);
}

TEST(Settings, SponsorBlockOffDisablesEveryCategoryAndOnRestoresStoredModes)
{
    Settings settings;
    settings.sponsor_categories["sponsor"] = SegmentMode::Show;
    settings.sponsorblock = false;
    for (auto category : all_segment_categories) {
        EXPECT_EQ(settings.segment_mode(category), SegmentMode::Disabled);
        EXPECT_FALSE(settings.marks_segments(category));
    }
    settings.sponsorblock = true;
    EXPECT_EQ(settings.segment_mode(SegmentCategory::Sponsor), SegmentMode::Show);
    EXPECT_TRUE(settings.shows_segments(SegmentCategory::Sponsor));
    EXPECT_TRUE(settings.skips_segments(SegmentCategory::Intro));
    EXPECT_FALSE(settings.marks_segments(SegmentCategory::Filler));
}

TEST(Settings, MissingCategoryActsAsSkipAndCyclesToShow)
{
    Settings settings;
    settings.sponsor_categories.erase("outro");
    EXPECT_EQ(settings.segment_mode(SegmentCategory::Outro), SegmentMode::Skip);
    EXPECT_EQ(next_segment_mode(settings, SegmentCategory::Outro), SegmentMode::Show);
    EXPECT_EQ(settings.sponsor_categories.at("outro"), SegmentMode::Show);
}

TEST(Settings, CyclingIgnoresTheSponsorBlockSwitch)
{
    Settings settings;
    settings.sponsorblock = false;
    EXPECT_EQ(next_segment_mode(settings, SegmentCategory::Sponsor), SegmentMode::Show);
    EXPECT_EQ(next_segment_mode(settings, SegmentCategory::Sponsor), SegmentMode::Disabled);
    EXPECT_EQ(next_segment_mode(settings, SegmentCategory::Sponsor), SegmentMode::Skip);
    EXPECT_EQ(next_segment_mode(settings, SegmentCategory::Filler), SegmentMode::Skip);
    EXPECT_EQ(settings.segment_mode(SegmentCategory::Sponsor), SegmentMode::Disabled);
}

TEST(Settings, FlagsReachTheirOwnFields)
{
    struct Case {
        SettingFlag flag;
        char const* key;
        bool Settings::* field;
    };
    Case const cases[] = {
        { SettingFlag::SponsorBlock, "sponsorblock", &Settings::sponsorblock },
        { SettingFlag::DeArrow, "dearrow", &Settings::dearrow },
        { SettingFlag::DeArrowTitles, "dearrow_titles", &Settings::dearrow_titles },
        { SettingFlag::DeArrowThumbnails, "dearrow_thumbnails", &Settings::dearrow_thumbnails },
        { SettingFlag::ReturnDislike, "return_dislike", &Settings::return_dislike },
        { SettingFlag::Autoplay, "autoplay", &Settings::autoplay },
        { SettingFlag::ShowComments, "show_comments", &Settings::show_comments },
    };
    uint8_t index = 0;
    for (auto const& c : cases) {
        Settings settings;
        settings.set_flag(c.flag, false);
        EXPECT_FALSE(settings.*c.field) << c.key;
        EXPECT_FALSE(settings.flag(c.flag)) << c.key;
        // Exactly one field changed.
        Settings expected;
        expected.*c.field = false;
        EXPECT_EQ(settings, expected) << c.key;
        EXPECT_EQ(setting_flag_key(c.flag), c.key);
        EXPECT_EQ(setting_flag_from_index(index), c.flag);
        ++index;
    }
    EXPECT_EQ(setting_flag_from_index(7), std::nullopt);
}

TEST(Settings, QualityLabels)
{
    for (auto label : { "1080p", "720p", "480p", "auto" })
        EXPECT_TRUE(is_quality_label(label)) << label;
    for (auto label : { "1080P", "360p", "", "Auto" })
        EXPECT_FALSE(is_quality_label(label)) << label;
}

}
