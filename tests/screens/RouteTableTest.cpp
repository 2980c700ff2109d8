// The route table: what each route kind means to the pages, the rail and the window.

#include <gtest/gtest.h>

#include "src/backend/SampleCatalogue.h"
#include "src/screens/Pages.h"
#include "src/screens/RouteTable.h"
#include "tests/screens/TreeSearch.h"

namespace vexa {
namespace {

TEST(RouteTable, KeysTitlesAndRailItemsByRoute)
{
    auto model = sample_catalogue();
    auto const& video = model.videos.front();
    auto const& channel = model.channels.front();
    struct Case {
        Route route;
        std::string scroll_key;
        std::string title;
        std::string rail_key;
    };
    std::vector<Case> const cases = {
        { Route::home(), "home", "Home", "home" },
        { Route::trending(), "trending", "Trending", "trending" },
        { Route::subscriptions(), "subs", "Subscriptions", "subs" },
        { Route::queue(), "queue", "Shared watch queue", "queue" },
        { Route::watch(video.id), "watch:" + video.id, video.title, "" },
        { Route::watch("missing"), "watch:missing", "Video", "" },
        { Route::channel(channel.id), "channel:" + channel.id, channel.name, "" },
        { Route::playlist("missing"), "playlist:missing", "Playlist", "" },
        { Route::search("{} braces"), "search:{} braces", "Search results for {} braces", "" },
        { Route::history(), "history", "Watch history", "history" },
        { Route::settings(), "settings", "Settings", "settings" },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(route_scroll_key(c.route), c.scroll_key);
        EXPECT_EQ(route_title(model, c.route), c.title);
        EXPECT_EQ(route_accessible_name(model, c.route), "Vexa — " + c.title);
        EXPECT_EQ(route_rail_key(c.route), c.rail_key) << c.scroll_key;
    }
}

TEST(RouteTable, ItemAndListPagesAreHeadedByTheRoutesTitle)
{
    auto model = sample_catalogue();
    auto const& channel = model.channels.front();
    for (auto const& route : { Route::channel(channel.id), Route::history(), Route::settings() }) {
        auto page = route_screen(model, kaso::ui::Theme::dark(), 1.0f, OperationQueue::create(), nullptr, route);
        EXPECT_TRUE(test::has_text(page, route_title(model, route))) << route_scroll_key(route);
    }
}

}
}
