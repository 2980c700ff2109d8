#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "src/actions/TypedDispatch.h"
#include "src/app/Launch.h"
#include "src/app/VexaApp.h"

using kaso::ui::launch::LaunchArgs;
using kaso::ui::launch::WindowSize;
using vexa::Route;
using vexa::RouteKind;

namespace {

// Every test runs with its own data directory, so the owner file lands in a scratch place.
class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("vexa-launch-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        ::setenv("XDG_DATA_HOME", m_dir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

LaunchArgs args_of(std::vector<std::string> words)
{
    static constexpr std::string_view bools[] = { "--narrow", "--palette", "--play-demo", "--empty", "--loading", "--device-sync" };
    static constexpr std::string_view values[] = { "--route", "--palette-query" };
    return LaunchArgs::parse(words, bools, values);
}

}

TEST_F(LaunchTest, LaunchStatesFlagsRoutesAndWindowSizes)
{
    struct Case {
        char const* name;
        std::vector<std::string> words;
        Route route;
        bool force_nav;
        WindowSize window;
        double viewport_width;
        double viewport_height;
        bool palette_open;
        std::string palette_query;
        std::string status_label_prefix;
    };
    std::vector<Case> cases = {
        { "plain", {}, Route::home(), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "narrow and empty: empty state, no forced rail, narrow window", { "--narrow", "--empty" }, Route::home(), false, { 560, 800 }, 1280, 800, false, "", "offline" },
        { "narrow wins over route", { "--narrow", "--route", "history" }, Route::home(), true, { 560, 800 }, 1280, 800, false, "", "" },
        { "settings in capitals", { "--route=SETTINGS" }, Route::settings(), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "WATCH: in capitals is a search", { "--route", "WATCH:abc" }, Route::search("WATCH:abc"), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "watch keeps the id's case", { "--route=watch:AbC" }, Route::watch("AbC"), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "watch alone has an empty id", { "--route", "watch:" }, Route::watch(""), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "search prefix", { "--route", "search:cats" }, Route::search("cats"), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "other word is searched unchanged", { "--route", "Lo-Fi" }, Route::search("Lo-Fi"), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "subs", { "--route", "subs" }, Route::subscriptions(), false, { 1280, 800 }, 1280, 800, false, "", "" },
        { "palette defaults to rust", { "--palette" }, Route::home(), false, { 1280, 800 }, 1280, 800, true, "rust", "" },
        { "palette with query", { "--palette", "--palette-query=lofi" }, Route::home(), false, { 1280, 800 }, 1280, 800, true, "lofi", "" },
        { "empty beats palette", { "--empty", "--palette" }, Route::home(), false, { 1280, 800 }, 1280, 800, false, "", "offline" },
        { "explicit size with narrow", { "--narrow", "--window-size=900x700" }, Route::home(), true, { 1280, 800 }, 900, 700, false, "", "" },
        { "explicit size as two words", { "--window-size", "640x480" }, Route::home(), false, { 1280, 800 }, 640, 480, false, "", "" },
        { "device sync opens settings", { "--device-sync" }, Route::settings(), false, { 1280, 800 }, 1280, 800, false, "", "" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        auto args = args_of(c.words);
        auto app = vexa::build_app_from_args(args);
        EXPECT_EQ(app->model().route, c.route);
        EXPECT_EQ(app->navigation().current, c.route);
        EXPECT_TRUE(app->navigation().back_stack.empty());
        EXPECT_EQ(app->force_nav(), c.force_nav);
        EXPECT_EQ(vexa::initial_window_size(args), c.window);
        EXPECT_EQ(app->viewport().width(), c.viewport_width);
        EXPECT_EQ(app->viewport().height(), c.viewport_height);
        EXPECT_EQ(app->model().palette_open, c.palette_open);
        EXPECT_EQ(app->model().palette_query, c.palette_query);
        EXPECT_TRUE(app->model().status_label.starts_with(c.status_label_prefix)) << app->model().status_label;
        EXPECT_FALSE(app->is_live());
        EXPECT_FALSE(app->has_fetch_worker());
    }
}

TEST_F(LaunchTest, SearchRoutePublishesItsQueryToTheSearchBox)
{
    auto app = vexa::build_app_from_args(args_of({ "--route", "search:lofi beats" }));
    EXPECT_EQ(app->model().search_text, "lofi beats");
    EXPECT_EQ(app->search_text_cell().text(), "lofi beats");
    EXPECT_EQ(app->search_text_cell().generation(), 1u);
}

TEST_F(LaunchTest, EmptyStateKeepsTheHistoryStoresOwner)
{
    auto resolved = vexa::build_app_from_args(args_of({}));
    auto empty = vexa::build_app_from_args(args_of({ "--empty" }));
    EXPECT_TRUE(resolved->model().owner_id.starts_with("user:"));
    // The history the empty state records must belong to the store's owner, not to the empty
    // model's placeholder.
    EXPECT_EQ(empty->model().owner_id, empty->history().owner_id());
    EXPECT_EQ(empty->model().owner_id, resolved->owner_id());
    EXPECT_EQ(empty->owner_id(), resolved->owner_id());
    EXPECT_TRUE(empty->model().videos.empty());
}

TEST_F(LaunchTest, PlayDemoUsesTheFirstVideoOrTheDonutClip)
{
    auto app = vexa::build_app_from_args(args_of({ "--play-demo" }));
    ASSERT_FALSE(app->model().videos.empty());
    EXPECT_EQ(app->model().route, Route::watch(app->model().videos.front().id));
    EXPECT_EQ(app->loaded_video(), app->model().videos.front().id);
    auto const* engine = app->player()->engine();
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->kind(), kaso::media::EngineKind::Synthesized);
    EXPECT_EQ(engine->address(), vexa::VexaApp::demo_clip_address);
    EXPECT_TRUE(engine->is_playing());

    auto bare = vexa::VexaApp::create_for_owner("user:test");
    bare->with_model(vexa::VexaModel::empty()).play_demo();
    EXPECT_EQ(bare->model().route, Route::watch("vid_donut"));
}

TEST_F(LaunchTest, DeviceSyncScrollOffsetDependsOnTheViewportWidth)
{
    for (auto [width, expected] : { std::pair { 759.0, 1330.0f }, std::pair { 760.0, 930.0f } }) {
        auto app = vexa::VexaApp::create_for_owner("user:test");
        app->set_viewport(width, 800).show_device_sync();
        auto offset = app->scroll_offset("settings");
        ASSERT_TRUE(offset);
        EXPECT_EQ(offset->x, 0.0f);
        EXPECT_EQ(offset->y, expected) << width;
        EXPECT_EQ(app->device_sync().status().state, vexa::DeviceSyncState::Ready);
    }
}

TEST_F(LaunchTest, NewApplicationIsQuiet)
{
    auto app = vexa::VexaApp::create();
    ASSERT_TRUE(app->player() && app->player()->engine());
    EXPECT_NE(app->player()->engine()->kind(), kaso::media::EngineKind::Synthesized);
    EXPECT_FALSE(app->player()->is_ready());
    EXPECT_FALSE(app->has_fetch_worker());
    EXPECT_FALSE(app->has_image_store());
    EXPECT_EQ(app->navigation().current, Route::home());
    EXPECT_TRUE(app->navigation().back_stack.empty());
    EXPECT_EQ(app->device_sync().status().message, "Start the live app to initialize device sync.");
    EXPECT_EQ(app->model().owner_id, app->owner_id());
}

TEST_F(LaunchTest, LiveApplicationStartsLoadingWithTheSameOwner)
{
    auto app = vexa::VexaApp::create();
    auto owner = app->owner_id();
    app->finish_default();
    EXPECT_TRUE(app->is_live());
    EXPECT_TRUE(app->has_image_store());
    EXPECT_TRUE(app->model().feed_loading);
    EXPECT_TRUE(app->model().videos.empty());
    EXPECT_EQ(app->model().owner_id, owner);
}

TEST_F(LaunchTest, RegisteredNamespaceIsTheLibraryActionKind)
{
    kaso::ui::app::App runtime;
    vexa::register_app_actions(runtime);
    EXPECT_TRUE(runtime.action_registry().contains("vexa.action"));
    EXPECT_FALSE(runtime.action_registry().contains("vexa.operation"));
    // The decoder takes what the library's actions encode and refuses what does not decode.
    auto action = vexa::to_encoded_action("vexa.action", vexa::VexaAction::SetQueueMembership { "vid_a", true });
    ASSERT_TRUE(action.has_value());
    EXPECT_TRUE(runtime.action_registry().decode("vexa.action", action->payload).has_value());
    std::string junk = "{";
    EXPECT_FALSE(runtime.action_registry()
            .decode("vexa.action", std::span(reinterpret_cast<uint8_t const*>(junk.data()), junk.size()))
            .has_value());
}

TEST(LaunchDescriptor, CarriesTheFlagsInOrder)
{
    auto descriptor = vexa::launch_descriptor();
    EXPECT_EQ(descriptor.application_id.size(), 12u);
    std::vector<std::string_view> bools { "--narrow", "--palette", "--play-demo", "--empty", "--loading", "--device-sync" };
    std::vector<std::string_view> values { "--route", "--palette-query" };
    EXPECT_EQ(descriptor.bool_flags, bools);
    EXPECT_EQ(descriptor.value_flags, values);
    EXPECT_TRUE(descriptor.build_default && descriptor.build_from_args && descriptor.register_actions && descriptor.initial_window_size);
}

TEST(LaunchRouteText, WordsAnyCaseAndOnlyTheWatchAndSearchPrefixes)
{
    struct Case {
        std::string_view text;
        Route route;
    };
    Case const cases[] = {
        { "Home", Route::home() },
        { "TRENDING", Route::trending() },
        { "Subscriptions", Route::subscriptions() },
        { "queue", Route::queue() },
        { "History", Route::history() },
        { "search:", Route::search("") },
        { "channel:abc", Route::search("channel:abc") }, // no prefix for creators or playlists
        { "playlist:p", Route::search("playlist:p") },
        { "Search:cats", Route::search("Search:cats") },
        { "video", Route::search("video") }, // a kind's title is not a word
    };
    for (auto const& c : cases)
        EXPECT_EQ(vexa::route_from_text(c.text), c.route) << c.text;
}

TEST(LaunchDescriptor, OnlyAStartThatPlaysStartsTheMediaRuntimeAtLaunch)
{
    auto descriptor = vexa::launch_descriptor();
    ASSERT_TRUE(descriptor.plays_at_launch);
    struct Case {
        std::vector<std::string> words;
        bool plays;
    };
    for (auto const& c : std::vector<Case> {
             { {}, false },
             { { "--route=home" }, false },
             { { "--route", "search:cats" }, false },
             { { "--palette" }, false },
             { { "--play-demo" }, true },
             { { "--route=watch:AbC" }, true },
             { { "--route", "WATCH:abc" }, false }, // a search, as the route table reads it
         }) {
        std::string line;
        for (auto const& word : c.words)
            line += word + " ";
        EXPECT_EQ(descriptor.plays_at_launch(args_of(c.words)), c.plays) << line;
    }
}
