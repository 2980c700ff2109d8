#include <gtest/gtest.h>

#include <filesystem>

#include "kaso/ui/FrameDriver.h"
#include "src/app/DeepLinks.h"
#include "src/app/VexaApp.h"

using namespace kaso::ui;
using vexa::Route;
using vexa::UiAction;

namespace {

// The application driven headlessly at a given size and scale.
struct Harness {
    vexa::VexaApp* app { nullptr };
    std::unique_ptr<FrameDriver> driver;

    explicit Harness(double width = 1280, double height = 800, float scale = 1.0f)
    {
        auto owned = vexa::VexaApp::create_for_owner("user:test");
        app = owned.get();
        app->set_viewport(width, height);
        driver = std::make_unique<FrameDriver>(std::move(owned), Theme::dark());
        driver->set_viewport(width, height, scale);
        driver->frame(0);
    }
    void key(Key key, Modifiers modifiers = {}, std::string text = {})
    {
        KeyDown down;
        down.key = key;
        down.text = std::move(text);
        driver->dispatch(down, modifiers);
    }
    void run(UiAction action)
    {
        app->operations()->push(std::move(action));
        driver->dispatch(PointerLeave {}, {});
    }
    void drag(double x0, double y0, double x1, double y1)
    {
        float scale = driver->scale();
        driver->dispatch(PointerMove { x0 * scale, y0 * scale }, {});
        driver->dispatch(PointerDown { x0 * scale, y0 * scale }, {});
        driver->dispatch(PointerMove { x1 * scale, y1 * scale }, {});
        driver->dispatch(PointerUp { x1 * scale, y1 * scale }, {});
    }
};

Modifiers control() { Modifiers m; m.control = true; return m; }
Modifiers control_shift() { Modifiers m; m.control = true; m.shift = true; return m; }
Modifiers alt() { Modifiers m; m.alt = true; return m; }

}

TEST(Events, PaletteShortcut)
{
    Harness h;
    h.key(Key::Character, control(), "k");
    EXPECT_TRUE(h.app->model().palette_open);
    h.key(Key::Character, control_shift(), "K");
    EXPECT_FALSE(h.app->model().palette_open);
    h.key(Key::Character, {}, "k");
    EXPECT_FALSE(h.app->model().palette_open);
}

TEST(Events, EscapeInEachContext)
{
    // Palette open: Escape closes only the palette.
    Harness h;
    h.run(UiAction::navigate(Route::trending()));
    h.run(UiAction::open_palette());
    h.key(Key::Escape);
    EXPECT_FALSE(h.app->model().palette_open);
    EXPECT_EQ(h.app->model().route, Route::trending());

    // Palette closed, wide window: Escape goes back.
    h.key(Key::Escape);
    EXPECT_EQ(h.app->model().route, Route::home());

    // Narrow window with the rail shown: Escape hides the rail and stays.
    Harness narrow(700, 800);
    narrow.run(UiAction::navigate(Route::trending()));
    narrow.run(UiAction::toggle_sidebar());
    ASSERT_TRUE(narrow.app->nav_visible());
    narrow.key(Key::Escape);
    EXPECT_FALSE(narrow.app->nav_visible());
    EXPECT_EQ(narrow.app->model().route, Route::trending());
}

TEST(Events, BackKeysNeedABackStack)
{
    Harness h;
    h.key(Key::ArrowLeft, alt());
    EXPECT_EQ(h.app->model().route, Route::home());
    h.run(UiAction::navigate(Route::queue()));
    h.key(Key::ArrowLeft);
    EXPECT_EQ(h.app->model().route, Route::queue());
    h.key(Key::ArrowLeft, alt());
    EXPECT_EQ(h.app->model().route, Route::home());
    h.run(UiAction::navigate(Route::history()));
    h.key(Key::BrowserBack);
    EXPECT_EQ(h.app->model().route, Route::home());
}

TEST(Events, EdgeSwipeThresholds)
{
    struct Case {
        double start_x, dx, dy;
        bool goes_back;
    };
    Case cases[] = {
        { 24, 80, 79, true },
        { 25, 80, 0, false },  // starts outside the edge
        { 10, 80, 80, false }, // as far down as across
        { 10, 79, 0, false },  // too short
        { 0, 200, -50, true },
    };
    for (float scale : { 1.0f, 2.0f }) {
        for (auto const& c : cases) {
            Harness h(1280, 800, scale);
            h.run(UiAction::navigate(Route::trending()));
            h.drag(c.start_x, 300, c.start_x + c.dx, 300 + c.dy);
            EXPECT_EQ(h.app->model().route == Route::home(), c.goes_back) << c.start_x << " " << c.dx << " " << c.dy << " @" << scale;
        }
    }
}

TEST(Events, TheReleaseOfASwipeIsNoClick)
{
    // Narrow at scale 2: the page's rows reach the window's left edge, under the swipe.
    Harness h(1280, 800, 2.0f);
    h.run(UiAction::navigate(Route::trending()));
    h.driver->frame(16);
    h.drag(10, 300, 200, 300);
    EXPECT_EQ(h.app->model().route, Route::home());
    EXPECT_TRUE(h.app->navigation().back_stack.empty());
}

TEST(Events, OneSwipeGoesBackOnce)
{
    Harness h;
    h.run(UiAction::navigate(Route::trending()));
    h.run(UiAction::navigate(Route::queue()));
    h.driver->dispatch(PointerMove { 5, 100 }, {});
    h.driver->dispatch(PointerDown { 5, 100 }, {});
    h.driver->dispatch(PointerMove { 100, 100 }, {});
    h.driver->dispatch(PointerMove { 300, 100 }, {});
    h.driver->dispatch(PointerUp { 300, 100 }, {});
    EXPECT_EQ(h.app->model().route, Route::trending());
}

TEST(Events, NavigationStacksExceptSearchesRefiningSearches)
{
    Harness h;
    h.run(UiAction::navigate(Route::search("cats")));
    h.run(UiAction::navigate(Route::search("cats and dogs")));
    EXPECT_EQ(h.app->navigation().back_stack, std::vector<Route> { Route::home() });
    EXPECT_EQ(h.app->search_text_cell().text(), "cats and dogs");
    h.run(UiAction::navigate(Route::search("cats and dogs")));
    h.run(UiAction::navigate(Route::trending()));
    h.run(UiAction::navigate(Route::trending()));
    EXPECT_EQ(h.app->navigation().back_stack, (std::vector<Route> { Route::home(), Route::search("cats and dogs") }));
    h.run(UiAction::go_back());
    h.run(UiAction::go_back());
    h.run(UiAction::go_back());
    EXPECT_EQ(h.app->model().route, Route::home());
    EXPECT_TRUE(h.app->navigation().back_stack.empty());
}

TEST(Events, EmptySearchNavigatesToAnEmptySearch)
{
    Harness h;
    h.run(UiAction::search());
    EXPECT_EQ(h.app->model().route, Route::search(""));
    EXPECT_FALSE(h.app->model().searching);
}

TEST(Events, SearchResultLinks)
{
    struct Case {
        std::string link;
        Route route;
    };
    std::vector<Case> cases = {
        { "vexa://watch/abc", Route::watch("abc") },
        { "vexa://channel/chan", Route::channel("chan") },
        { "vexa://watch/", Route::watch("") },
        { "https://example.invalid/watch/abc", Route::home() },
        { "VEXA://watch/abc", Route::home() },
    };
    for (auto const& c : cases) {
        Harness h;
        h.run(UiAction::open_palette());
        h.run(UiAction::open_search_result(c.link));
        EXPECT_EQ(h.app->model().route, c.route) << c.link;
        EXPECT_FALSE(h.app->model().palette_open);
    }
}

TEST(Events, ResultTypeFilter)
{
    vexa::ResultTypes types;
    vexa::toggle_result_type(types, 1);
    EXPECT_EQ(types, (vexa::ResultTypes { false, true, false, false }));
    vexa::toggle_result_type(types, 0);
    EXPECT_EQ(types, (vexa::ResultTypes { true, true, false, false }));
    vexa::toggle_result_type(types, 0);
    vexa::toggle_result_type(types, 1);
    EXPECT_EQ(types, (vexa::ResultTypes { true, true, true, true }));
    vexa::toggle_result_type(types, 7); // from all: an unknown type clears everything
    EXPECT_EQ(types, (vexa::ResultTypes { false, false, false, false }));
    vexa::toggle_result_type(types, 9); // otherwise any other type is creators
    EXPECT_EQ(types, (vexa::ResultTypes { false, false, true, false }));
}

TEST(Events, DeviceActionsWithoutAWorkerSayWhy)
{
    Harness h;
    h.run(UiAction::sync_devices());
    h.run(UiAction::approve_device("peer"));
    ASSERT_GE(h.app->model().notices.size(), 2u);
    EXPECT_EQ(h.app->model().notices[0], "Device approval is unavailable");
    EXPECT_EQ(h.app->model().notices[1], "Device sync is unavailable");
}

TEST(Layout, NarrowThresholdsAndRailWidths)
{
    struct Case {
        double width;
        float scale;
        bool narrow;
        double rail;
    };
    Case cases[] = {
        { 759, 1.0f, true, 86 },
        { 760, 1.0f, false, 86 },
        { 1759, 1.5f, true, 264 },
        { 1760, 2.0f, false, 264 },
        { 480, 2.0f, true, 480 },
        { 481, 2.0f, true, 264 },
    };
    for (auto const& c : cases) {
        Harness h(c.width, 800, c.scale);
        EXPECT_EQ(h.app->is_narrow(), c.narrow) << c.width << "@" << c.scale;
        EXPECT_EQ(h.app->nav_width(), c.rail) << c.width << "@" << c.scale;
        EXPECT_EQ(h.app->nav_visible(), !c.narrow);
        EXPECT_EQ(h.app->content_width(), c.narrow ? c.width : c.width - c.rail);
    }
}

TEST(Layout, CrossingTheThresholdResetsTheRail)
{
    Harness h(1280, 800);
    h.run(UiAction::toggle_sidebar());
    EXPECT_FALSE(h.app->nav_visible());
    EXPECT_EQ(h.app->nav_visibility(), 0);
    h.driver->set_viewport(700, 800, 1.0f);
    h.driver->frame(16);
    EXPECT_EQ(h.app->nav_visibility(), 2);
    EXPECT_TRUE(h.app->is_narrow());
}

TEST(Layout, ScrollKeysAndAccessibleNames)
{
    struct Case {
        Route route;
        std::string key;
        std::string name;
    };
    std::vector<Case> cases = {
        { Route::home(), "home", "Vexa — Home" },
        { Route::subscriptions(), "subs", "Vexa — Subscriptions" },
        { Route::queue(), "queue", "Vexa — Shared watch queue" },
        { Route::watch("nope"), "watch:nope", "Vexa — Video" },
        { Route::channel("nope"), "channel:nope", "Vexa — Creator" },
        { Route::playlist("nope"), "playlist:nope", "Vexa — Playlist" },
        { Route::search("lofi"), "search:lofi", "Vexa — Search results for lofi" },
        { Route::history(), "history", "Vexa — Watch history" },
    };
    for (auto const& c : cases) {
        Harness h;
        h.run(UiAction::navigate(c.route));
        EXPECT_EQ(vexa::VexaApp::scroll_key(c.route), c.key);
        EXPECT_EQ(h.app->accessibility()->name, c.name);
    }
}
