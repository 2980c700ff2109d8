// The pages reached the way a person reaches them, in the application object driven without a
// window: a creator opened from its tile on Subscriptions, a video opened from its card on Home
// with the top bar still offline, three videos opened from the palette listed newest first on
// the History page and cleared from there, and the "--device-sync" state at both widths. Each end state is also a picture of the whole window, which the window tests
// compare with what the real window shows after the same steps.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <fmt/format.h>

#include "kaso/ui/Offscreen.h"
#include "kaso/ui/Scrollable.h"
#include "src/app/AppState.h"
#include "src/app/FetchWorker.h"
#include "src/app/VexaApp.h"
#include "tests/app/AppDriver.h"
#include "tests/screens/ReferenceShot.h"
#include "tests/screens/TreeSearch.h"

using namespace kaso::ui;
using vexa::Route;
using vexa::test::all_widgets;
using vexa::test::has_text;

namespace {

std::filesystem::path reference(std::string_view name)
{
    return std::filesystem::path(std::getenv("VEXA_SOURCE_DIR")) / "tests/fixtures/screens" / name;
}

// The application in the dark theme, with what these flows look for and how they click: the
// pointer leaves after each click, as the window tests park it where nothing shows a hover.
struct FlowHarness : vexa::test::AppDriver {
    explicit FlowHarness(std::function<void(vexa::VexaApp&)> const& prepare, double width = 1280)
        : AppDriver(width, Theme::dark(), prepare)
    {
    }
    void click_and_leave(Widget& widget)
    {
        click(widget);
        driver->dispatch(PointerMove { 0, 0 }, {});
        frame();
    }
    // The first widget that tells assistive technology this name.
    Widget* named(std::string_view name)
    {
        for (auto* widget : all_widgets(root()))
            if (auto node = widget->accessibility(); node && node->name == name)
                return widget;
        return nullptr;
    }
    // The names of the widgets whose names begin with `prefix`, in tree order.
    std::vector<std::string> names_with_prefix(std::string_view prefix)
    {
        std::vector<std::string> names;
        for (auto* widget : all_widgets(root()))
            if (auto node = widget->accessibility(); node && node->name.starts_with(prefix))
                names.push_back(node->name);
        return names;
    }
    void expect_window_matches(std::string_view name)
    {
        auto picture = render_offscreen(*driver, now);
        ASSERT_TRUE(picture) << picture.error().message;
        vexa::test::expect_matches_reference(*picture, reference(name));
    }
};

TEST(PageFlows, ACreatorTileOnSubscriptionsOpensTheCreatorsPage)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    FlowHarness h([](vexa::VexaApp& app) { app.apply_launch_route(Route::subscriptions()); });
    auto* tile = h.named("Open creator: Orbit Lab");
    ASSERT_NE(tile, nullptr);
    h.click_and_leave(*tile);
    EXPECT_EQ(h.app->model().route, Route::channel("ch_orbit"));
    EXPECT_TRUE(has_text(h.root(), "Orbit Lab"));
    EXPECT_TRUE(has_text(h.root(), "Space science explained with models, math and the occasional explosion."));
    EXPECT_TRUE(has_text(h.root(), "Videos"));
    EXPECT_NE(vexa::test::find_by_id(h.root(), "back_btn"), nullptr);
    h.expect_window_matches("window-channel-from-subscriptions-dark-1280.png");
}

// Opening a video in a start without live data sends its enrichment, which starts the fetch
// worker; the worker's first word is "connecting…", which only the live application ever follows
// up. The top bar's pill reads "Offline" before and after. A stand-in holds the worker's ends.
TEST(PageFlows, OpeningAVideoOnTheSampleCatalogueLeavesTheConnectionOffline)
{
    FlowHarness h([](vexa::VexaApp& app) { app.apply_launch_route(Route::home()); });
    auto [request_sender, request_receiver] = kaso::bounded_queue<vexa::WorkerRequest>(vexa::FetchWorker::request_capacity);
    auto [result_sender, result_receiver] = kaso::bounded_queue<vexa::WorkerMessage>(vexa::FetchWorker::result_capacity);
    h.app->state().set_fetch_worker(vexa::FetchWorker::over_queues(std::move(request_sender), std::move(result_receiver)));
    EXPECT_TRUE(has_text(h.root(), "Offline"));

    auto* card = h.named("Open video: Five common soldering mistakes and how to avoid them");
    ASSERT_NE(card, nullptr);
    h.click_and_leave(*card);
    ASSERT_EQ(h.app->model().route, Route::watch("vid_solder"));
    auto request = request_receiver.try_receive();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(vexa::describe(*request), vexa::describe(vexa::WorkerRequest::enrich("vid_solder")));

    ASSERT_EQ(result_sender.try_send(vexa::worker_message::Status { "connecting…", false }), kaso::SendResult::Sent);
    h.frame();
    h.frame();
    EXPECT_FALSE(has_text(h.root(), "Connecting…"));
    EXPECT_TRUE(has_text(h.root(), "Offline"));
}

// Each video is found by a word of its own title in the palette and opened from its row; Escape
// leaves its Watch page for the History page again.
TEST(PageFlows, HistoryListsThreeOpenedVideosNewestFirstAndClearsThem)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    FlowHarness h([](vexa::VexaApp& app) { app.apply_launch_route(Route::history()); });
    EXPECT_TRUE(has_text(h.root(), "Nothing watched yet"));
    EXPECT_EQ(h.named("Clear history"), nullptr);

    struct Step {
        char const* query;
        char const* video;
    };
    for (auto [query, video] : { Step { "donut", "vid_donut" }, { "moon", "vid_moon_base" }, { "solders", "vid_solder" } }) {
        SCOPED_TRACE(query);
        h.ctrl_k();
        h.control('a'); // the palette keeps its last query
        h.type(query);
        auto* row = vexa::test::find_by_id(h.root(), "palette_row_0");
        ASSERT_NE(row, nullptr);
        h.click_and_leave(*row);
        EXPECT_EQ(h.app->model().route, Route::watch(video));
        h.key(Key::Escape);
        EXPECT_EQ(h.app->model().route, Route::history());
    }
    EXPECT_EQ(h.app->model().history, (std::vector<std::string> { "vid_solder", "vid_moon_base", "vid_donut" }));
    EXPECT_EQ(h.names_with_prefix("Open video: "),
        (std::vector<std::string> { "Open video: Five common soldering mistakes and how to avoid them",
            "Open video: Building a scale model of a lunar habitat",
            "Open video: The ONLY Donut Recipe You'll EVER Need!!! (Bakeries HATE This)" }));
    h.expect_window_matches("window-history-three-dark-1280.png");

    auto* clear = h.named("Clear history");
    ASSERT_NE(clear, nullptr);
    h.click_and_leave(*clear);
    EXPECT_TRUE(h.app->model().history.empty());
    ASSERT_FALSE(h.app->model().notices.empty());
    EXPECT_EQ(h.app->model().notices.front(), "Watch history cleared for this profile");
    EXPECT_EQ(h.app->accessibility()->announcement, "Watch history cleared for this profile");
    EXPECT_TRUE(has_text(h.root(), "Nothing watched yet"));
    EXPECT_EQ(h.named("Clear history"), nullptr);
    EXPECT_TRUE(h.names_with_prefix("Open video: ").empty());
    h.expect_window_matches("window-history-cleared-dark-1280.png");
}

// The launch offsets lie beyond the end of the page at both widths, so the page rests at its
// end, where the device section is the last thing on it.
TEST(PageFlows, DeviceSyncStateShowsTheDeviceSectionAtBothWidths)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    for (double width : { 1280.0, 560.0 }) {
        SCOPED_TRACE(width);
        FlowHarness h([](vexa::VexaApp& app) { app.show_device_sync(); }, width);
        EXPECT_EQ(h.app->model().route, Route::settings());
        auto pages = vexa::test::widgets_of_type<Scrollable>(h.root());
        ASSERT_FALSE(pages.empty());
        auto* page = pages.front();
        double launch_offset = width < 760 ? 1330 : 930;
        EXPECT_EQ(h.app->scroll_offset("settings")->y, launch_offset);
        EXPECT_LT(page->max_offset().y, launch_offset);
        EXPECT_EQ(page->offset().y, page->max_offset().y);
        h.expect_window_matches(fmt::format("window-device-sync-dark-{}.png", width));
    }
}

}
