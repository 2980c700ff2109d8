// The Queue, Channel, Playlist and History pages in each of their states and forms: which
// elements and texts they hold, what their controls ask of the application, in what order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/IconWidget.h"
#include "src/screens/ListPages.h"
#include "tests/screens/PageCase.h"
#include "tests/screens/ScreenFixtures.h"

namespace vexa {
namespace {

using test::check_page;
using test::PageCase;
using test::sample_with;

std::string const queue_metadata_line = "1 queued item(s) need metadata before they can be shown.";
std::string const queue_empty_message
    = "Add a video from its watch page. Queue membership syncs with collaborators when a collaboration host is available.";

VexaModel queue_of(std::vector<std::string> ids)
{
    return sample_with([&](VexaModel& m) { m.queue = ids; });
}

TEST(QueuePage, EveryStateAndForm)
{
    std::vector<std::string> const large_heading = { "queue_heading", "queue_heading_title", "queue_heading_count", "queue_heading_membership",
        "queue_heading_order" };
    PageCase rows[] = {
        PageCase().name("two known, one missing, in queue order")
            .model([] { return test::queue_catalogue(); })
            .route(Route::queue())
            .ids({ "queue_page", "queue_heading", "queue_btn_vid_comet", "queue_btn_vid_night_train" })
            .absent_ids({ "queue_empty_state", "queue_btn_vid_gone", "queue_heading_title" })
            .texts({ "Shared queue", "3 saved videos", "Shared membership; each person controls local playback order.", queue_metadata_line,
                "In queue" })
            .holds({ UiAction::open_video("vid_comet"), UiAction::open_video("vid_night_train") }),
        PageCase().name("three ids of which one is known")
            .model([] { return queue_of({ "vid_x", "vid_donut", "vid_y" }); })
            .route(Route::queue())
            .texts({ "3 saved videos", "2 queued item(s) need metadata before they can be shown." })
            .absent_ids({ "queue_empty_state" })
            .holds({ UiAction::open_video("vid_donut") }),
        PageCase().name("exactly one id")
            .model([] { return queue_of({ "vid_donut" }); })
            .route(Route::queue())
            .texts({ "1 saved video" })
            .absent_texts({ "1 saved videos", queue_metadata_line }),
        PageCase().name("empty")
            .model([] { return queue_of({}); })
            .route(Route::queue())
            .ids({ "queue_page", "queue_heading", "queue_empty_state" })
            .texts({ "0 saved videos", "Your shared queue is empty", queue_empty_message })
            .absent_texts({ "0 queued item(s) need metadata before they can be shown." })
            .holds({}),
        PageCase().name("only unknown ids: the empty state and the count of missing ones")
            .model([] { return queue_of({ "vid_x", "vid_y" }); })
            .route(Route::queue())
            .ids({ "queue_empty_state" })
            .texts({ "2 saved videos", "Your shared queue is empty", "2 queued item(s) need metadata before they can be shown." }),
        PageCase().name("large form, empty")
            .model([] { return queue_of({}); })
            .route(Route::queue())
            .scale(1.5f)
            .ids({ "queue_heading", "queue_heading_title", "queue_heading_count", "queue_heading_membership", "queue_heading_order",
                "queue_empty_state", "queue_empty_title", "queue_empty_add", "queue_empty_sync" })
            .texts({ "Shared queue", "0 saved", "Membership is shared.", "Playback order stays local.", "Queue empty",
                "Add from a video's watch page.", "Sync needs a collaboration host." })
            .absent_texts({ "0 saved videos", "Your shared queue is empty", "Shared membership; each person controls local playback order." }),
        PageCase().name("large form with items")
            .model([] { return test::queue_catalogue(); })
            .route(Route::queue())
            .scale(2.0f)
            .width(560)
            .ids(large_heading)
            .absent_ids({ "queue_empty_state", "queue_empty_title" })
            .texts({ "3 saved", queue_metadata_line }),
    };
    for (auto const& row : rows)
        check_page(row);
}

TEST(QueuePage, LargeFormColumnsFollowTheContentWidthWithinBounds)
{
    struct Case {
        double content_width;
        float list_width;
    };
    Case const cases[] = { { 2000, 920 }, { 984, 920 }, { 983, 919 }, { 560, 496 }, { 65, 1 }, { 50, 1 }, { 0, 1 }, { -40, 1 }, { NAN, 1 },
        { INFINITY, 920 } };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.content_width);
        EXPECT_EQ(queue_list_width(c.content_width), c.list_width);
        auto model = test::queue_catalogue();
        model.queue.clear();
        auto page = queue_screen(model, kaso::ui::Theme::dark(), 1.5f, OperationQueue::create(), nullptr, c.content_width);
        for (auto id : { "queue_heading", "queue_empty_state" }) {
            auto* column = test::find_by_id(page, id);
            ASSERT_NE(column, nullptr) << id;
            EXPECT_EQ(column->layout_style().size.width, kaso::layout::Dimension::px(c.list_width)) << id;
        }
    }
}

TEST(ChannelPage, EveryState)
{
    auto const trail = std::string(test::shot_channel);
    PageCase rows[] = {
        PageCase().name("a creator the user does not follow")
            .model([] { return sample_catalogue(); })
            .route(Route::channel(trail))
            .texts({ "Trail Notes", "@trailnotes  •  1.1M subscribers", "Long walks, mountain huts and night trains across Europe.",
                "Subscribe", "Videos" })
            .absent_texts({ "Subscribed", "Channel not found" })
            .absent_ids({ "subscribe_btn" })
            .ids({ "video_grid" })
            .card_order({ "video_card_vid_ridge_walk", "video_card_vid_night_train" })
            .holds({ UiAction::toggle_subscription(trail), UiAction::open_video("vid_ridge_walk"), UiAction::open_video("vid_night_train") }),
        PageCase().name("a followed creator")
            .model([] { return sample_catalogue(); })
            .route(Route::channel("ch_orbit"))
            .texts({ "Orbit Lab", "Subscribed", "@orbitlab  •  23M subscribers" })
            .absent_texts({ "Subscribe" })
            .card_order({ "video_card_vid_moon_base", "video_card_vid_black_hole", "video_card_vid_comet" }),
        PageCase().name("no subscriber text: the handle alone")
            .model([] { return sample_with([](VexaModel& m) { m.channel("ch_trail")->subscribers = 0; }); })
            .route(Route::channel(trail))
            .texts({ "@trailnotes" })
            .absent_texts({ "@trailnotes  •  0 subscribers" }),
        PageCase().name("a creator without uploads")
            .model([] { return sample_with([](VexaModel& m) { std::erase_if(m.videos, [](Video const& v) { return v.channel_id == "ch_trail"; }); }); })
            .route(Route::channel(trail))
            .ids({ "video_grid" })
            .card_order({})
            .holds({ UiAction::toggle_subscription(trail) }),
        PageCase().name("unknown creator")
            .model([] { return sample_catalogue(); })
            .route(Route::channel("ch_nobody"))
            .texts({ "Channel not found", "" })
            .absent_texts({ "Videos", "Subscribe" })
            .absent_ids({ "video_grid" })
            .holds({}),
    };
    for (auto const& row : rows)
        check_page(row);
}

TEST(ChannelPage, OnlyVerifiedCreatorsCarryTheMark)
{
    for (auto const& [id, verified] : { std::pair { "ch_trail", true }, std::pair { "ch_pixel", false } }) {
        auto model = sample_catalogue();
        model.videos.clear(); // no cards, whose creator lines carry the mark too
        auto page = channel_screen(model, kaso::ui::Theme::dark(), 1.0f, OperationQueue::create(), nullptr, id);
        std::size_t marks = 0;
        for (auto* icon : test::widgets_of_type<kaso::ui::IconWidget>(page))
            marks += icon->icon() == kaso::ui::Icon::Verified;
        EXPECT_EQ(marks, verified ? 1u : 0u) << id;
    }
}

TEST(PlaylistPage, EveryState)
{
    auto const id = std::string(test::shot_playlist);
    auto playlist_with = [](std::function<void(Playlist&)> change) {
        return [change] {
            auto model = test::playlist_catalogue();
            change(model.playlists.back());
            return model;
        };
    };
    PageCase rows[] = {
        PageCase().name("three known videos in playlist order")
            .model([] { return test::playlist_catalogue(); })
            .route(Route::playlist(id))
            .ids({ "playlist_page", "playlist_play" })
            .texts({ "Night walks and slow trains", "Trail Notes  •  3 videos", "Play all", "Videos" })
            .absent_texts({ "Loading playlist…" })
            .activations({ { "playlist_play", UiAction::open_video("vid_night_train") } })
            .holds({ UiAction::open_video("vid_night_train"), UiAction::open_video("vid_night_train"), UiAction::open_video("vid_ridge_walk"),
                UiAction::open_video("vid_moon_base") }),
        PageCase().name("play all starts at the first known video")
            .model(playlist_with([](Playlist& p) { p.video_ids = { "vid_gone", "vid_ridge_walk" }; }))
            .route(Route::playlist(id))
            .activations({ { "playlist_play", UiAction::open_video("vid_ridge_walk") } }),
        PageCase().name("a compact item count")
            .model(playlist_with([](Playlist& p) { p.video_count = 1'250; }))
            .route(Route::playlist(id))
            .texts({ "Trail Notes  •  1.2K videos" }),
        PageCase().name("no known video")
            .model(playlist_with([](Playlist& p) { p.video_ids = { "vid_x", "vid_y" }; }))
            .route(Route::playlist(id))
            .ids({ "playlist_page" })
            .absent_ids({ "playlist_play" })
            .texts({ "Loading playlist…", "Fetching the playlist's videos." })
            .absent_texts({ "Play all" })
            .holds({}),
        PageCase().name("ids not fetched yet")
            .model(playlist_with([](Playlist& p) { p.video_ids.clear(); }))
            .route(Route::playlist(id))
            .absent_ids({ "playlist_play" })
            .texts({ "Loading playlist…" }),
        PageCase().name("unknown playlist")
            .model([] { return test::playlist_catalogue(); })
            .route(Route::playlist("pl_missing"))
            .absent_ids({ "playlist_page", "playlist_play" })
            .texts({ "Playlist unavailable", "" })
            .absent_texts({ "Videos", "Loading playlist…" }),
    };
    for (auto const& row : rows)
        check_page(row);
}

TEST(HistoryPage, EveryState)
{
    std::string const subtitle = "Private to this profile — syncs across your devices";
    PageCase rows[] = {
        PageCase().name("newest first, with the clear button")
            .model([] { return sample_catalogue(); })
            .route(Route::history())
            .texts({ "Watch history", subtitle, "Clear history" })
            .absent_texts({ "Nothing watched yet", "History recovery needed" })
            .holds({ UiAction::clear_history(), UiAction::open_video("vid_solder"), UiAction::open_video("vid_donut") }),
        PageCase().name("ids without known videos keep the clear button")
            .model([] { return sample_with([](VexaModel& m) { m.history = { "vid_x", "vid_y" }; }); })
            .route(Route::history())
            .texts({ "Nothing watched yet", "Videos you watch show up here.", "Clear history" })
            .holds({ UiAction::clear_history() }),
        PageCase().name("unknown ids are skipped among known ones")
            .model([] { return sample_with([](VexaModel& m) { m.history = { "vid_comet", "vid_x", "vid_solder" }; }); })
            .route(Route::history())
            .holds({ UiAction::clear_history(), UiAction::open_video("vid_comet"), UiAction::open_video("vid_solder") }),
        PageCase().name("empty: no clear button")
            .model([] { return sample_with([](VexaModel& m) { m.history.clear(); }); })
            .route(Route::history())
            .texts({ "Nothing watched yet" })
            .absent_texts({ "Clear history" })
            .holds({}),
        PageCase().name("large form drops the subtitle")
            .model([] { return sample_catalogue(); })
            .route(Route::history())
            .scale(1.5f)
            .texts({ "Watch history", "Clear history" })
            .absent_texts({ subtitle }),
    };
    for (auto const& row : rows)
        check_page(row);
}

TEST(HistoryPage, RecoveryNoticeFollowsTheRowsOrTheEmptyState)
{
    std::string const notice = "Watch history couldn't be opened.";
    for (bool empty : { true, false }) {
        SCOPED_TRACE(empty ? "empty history" : "two entries");
        auto model = sample_catalogue();
        if (empty)
            model.history.clear();
        model.history_notice = notice;
        auto page = route_screen(model, kaso::ui::Theme::dark(), 1.0f, OperationQueue::create(), nullptr, Route::history());
        auto texts = test::label_texts(page);
        auto at = [&](std::string const& text) { return std::find(texts.begin(), texts.end(), text) - texts.begin(); };
        auto recovery = at("History recovery needed");
        ASSERT_LT(recovery, std::ptrdiff_t(texts.size()));
        EXPECT_EQ(at(notice), recovery + 1);
        if (empty) {
            EXPECT_LT(at("Nothing watched yet"), recovery);
        } else {
            EXPECT_EQ(at("Nothing watched yet"), std::ptrdiff_t(texts.size()));
            EXPECT_LT(at(model.video("vid_donut")->title), recovery);
        }
    }
}

// Every page at both widths: nothing with an element id reaches past the viewport's right edge.
TEST(ListPages, FitBothWidths)
{
    for (auto page_name : test::list_shot_pages) {
        for (float scale : { 1.0f, 1.5f }) {
            for (int width : { 1280, 560 }) {
                SCOPED_TRACE(fmt::format("{} at {} (scale {})", page_name, width, scale));
                auto page = test::shot_page(page_name, kaso::ui::Theme::dark(), scale, width);
                ASSERT_TRUE(page);
                kaso::ui::FrameDriver driver(std::make_unique<kaso::ui::Scrollable>(std::move(*page)), kaso::ui::Theme::dark());
                driver.set_viewport(width, 800, 1.0f);
                driver.frame(0);
                for (auto* widget : test::all_widgets(driver.root())) {
                    if (auto id = widget->widget_id()) {
                        EXPECT_LE(widget->layout_rect().x1, width + 0.5) << *id;
                    }
                }
            }
        }
    }
}

}
}
