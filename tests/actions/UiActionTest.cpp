#include <gtest/gtest.h>

#include "src/actions/UiAction.h"

namespace {

using namespace vexa;

TEST(UiAction, TitlesOfEveryKind)
{
    struct Case {
        UiAction action;
        char const* title;
    };
    Case const cases[] = {
        { UiAction::open_video("v"), "Open video" },
        { UiAction::clear_history(), "Clear watch history" },
        { UiAction::open_channel("c"), "Open creator" },
        { UiAction::open_playlist("p"), "Open playlist" },
        { UiAction::toggle_result_type(1), "Toggle result type" },
        { UiAction::go_back(), "Go back" },
        { UiAction::toggle_subscription("c"), "Subscribe or unsubscribe" },
        { UiAction::seek(0.5), "Seek video" },
        { UiAction::toggle_playback(), "Play or pause" },
        { UiAction::cycle_segment_mode(2), "Change segment handling" },
        { UiAction::skip_segment(12.0), "Skip segment" },
        { UiAction::toggle_setting(6), "Change setting" },
        { UiAction::search(), "Search" },
        { UiAction::set_quality("720p"), "Change playback quality" },
        { UiAction::toggle_like("v"), "Like or unlike video" },
        { UiAction::share("v"), "Copy share link" },
        { UiAction::toggle_sidebar(), "Show or hide navigation" },
        { UiAction::open_palette(), "Search Vexa actions" },
        { UiAction::close_palette(), "Close action search" },
        { UiAction::open_search_result("vexa://watch/v"), "Open search result" },
        { UiAction::pair_device(), "Pair Grayjay device" },
        { UiAction::sync_devices(), "Sync approved devices now" },
        { UiAction::approve_device("peer"), "Approve device access" },
        { UiAction::revoke_device("peer"), "Revoke device access" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(c.action.title(), c.title);
}

TEST(UiAction, NavigateTitleDependsOnTheRoute)
{
    struct Case {
        Route route;
        char const* title;
    };
    Case const cases[] = {
        { Route::home(), "Open Home" },
        { Route::trending(), "Open Trending" },
        { Route::subscriptions(), "Open subscriptions" },
        { Route::history(), "Open watch history" },
        { Route::settings(), "Open settings" },
        { Route::queue(), "Open view" },
        { Route::watch("v"), "Open view" },
        { Route::channel("c"), "Open view" },
        { Route::playlist("p"), "Open view" },
        { Route::search("q"), "Open view" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(UiAction::navigate(c.route).title(), c.title) << route_kind_name(c.route.kind);
}

TEST(UiAction, FactoriesSetOnlyTheirPayload)
{
    auto video = UiAction::open_video("v1");
    EXPECT_EQ(video.kind, UiActionKind::OpenVideo);
    EXPECT_EQ(video.text, "v1");
    EXPECT_EQ(video.route, Route::home());
    EXPECT_EQ(UiAction::navigate(Route::search("q")).route, Route::search("q"));
    EXPECT_EQ(UiAction::toggle_setting(5).index, 5);
    EXPECT_EQ(UiAction::seek(0.25).value, 0.25);
    EXPECT_EQ(UiAction::open_video("a"), UiAction::open_video("a"));
    EXPECT_NE(UiAction::open_video("a"), UiAction::open_video("b"));
    EXPECT_NE(UiAction::open_video("a"), UiAction::open_channel("a"));
    EXPECT_NE(UiAction::navigate(Route::watch("a")), UiAction::navigate(Route::watch("b")));
}

}
