// The controls that act through the runtime's action system rather than the operation queue: the
// rail's entries and the sidebar toggle, the Watch page's queue, play-pause and share controls,
// and the order in which the application hands its waiting invocations to the runtime. Each runs
// the way the window runs it: a frame driver over the application, with the library store and the
// library actions' decoder attached.

#include <gtest/gtest.h>

#include <memory>

#include "kaso/actions/ActionRegistry.h"
#include "kaso/actions/LibraryStore.h"
#include "kaso/ui/Clipboard.h"
#include "kaso/ui/FrameDriver.h"
#include "src/actions/LibraryReader.h"
#include "src/actions/LibraryWriter.h"
#include "src/actions/TypedDispatch.h"
#include "src/app/ActionTree.h"
#include "src/app/AppState.h"
#include "src/app/LaunchStates.h"
#include "src/app/Operations.h"
#include "src/app/VexaApp.h"
#include "tests/actions/LibraryFixtures.h"

using kaso::actions::ActionAddress;
using kaso::actions::LibraryStore;
using kaso::ui::Clipboard;
using vexa::Route;
using vexa::UiAction;
using vexa::VexaApp;
using vexa::WatchControls;

namespace {

std::string first_video_id(vexa::VexaModel const& model)
{
    EXPECT_FALSE(model.videos.empty());
    return model.videos.empty() ? std::string() : model.videos.front().id;
}

// The sample catalogue in a window of the given width, on `route` (none: the first video's
// Watch page), after its first frame.
struct Window {
    LibraryStore store = LibraryStore::in_memory();
    kaso::actions::ActionRegistry registry;
    VexaApp* app { nullptr };
    std::unique_ptr<kaso::ui::FrameDriver> driver;
    uint64_t now { 0 };

    explicit Window(std::optional<Route> route = std::nullopt, double width = 1280)
    {
        vexa::register_vexa_action_decoder(registry);
        auto owned = VexaApp::create_for_owner("user:test");
        app = owned.get();
        app->apply_launch_route(route.value_or(Route::watch(first_video_id(app->model()))));
        driver = std::make_unique<kaso::ui::FrameDriver>(std::move(owned), kaso::ui::Theme::dark());
        driver->attach_library(store);
        driver->set_action_registry(&registry);
        driver->set_viewport(width, 800, 1.0f);
        frame();
    }

    void frame() { driver->frame(now += 16); }
    // Fires the control as a keyboard binding or an accessibility tool would, then runs a frame.
    bool fire(std::string_view control_id)
    {
        bool ran = driver->invoke_control(control_id);
        frame();
        return ran;
    }
    // Queues a widget's action and lets one event carry it out, with the invocations it left.
    void press(UiAction action)
    {
        app->operations()->push(std::move(action));
        driver->dispatch(kaso::ui::PointerLeave {}, {});
        frame();
    }
    std::vector<std::string> document_queue() const { return vexa::library_snapshot(store.document()).queue.value_or(std::vector<std::string> {}); }
    std::vector<std::string> control_ids() const
    {
        std::vector<std::string> ids;
        for (auto const& binding : app->control_action_bindings())
            ids.push_back(binding.control_id);
        return ids;
    }
};

bool contains(std::vector<std::string> const& list, std::string const& item) { return std::find(list.begin(), list.end(), item) != list.end(); }

}

TEST(ChromeControls, EachRailEntryOpensItsRoute)
{
    struct Case {
        char const* control;
        Route route;
    };
    Case const cases[] = {
        { "nav_home", Route::home() }, { "nav_trending", Route::trending() }, { "nav_subs", Route::subscriptions() },
        { "nav_queue", Route::queue() }, { "nav_history", Route::history() }, { "nav_settings", Route::settings() },
    };
    Window window; // on a Watch page, where no entry is the current route
    for (auto const& c : cases) {
        SCOPED_TRACE(c.control);
        EXPECT_TRUE(window.fire(c.control));
        EXPECT_EQ(window.app->model().route, c.route);
    }
    // Every entry was there to fire on every page, the Watch page's own controls listed first.
    auto ids = Window().control_ids();
    ASSERT_GE(ids.size(), 2u);
    EXPECT_EQ(ids[0], WatchControls::play_pause_control);
    EXPECT_EQ(ids[1], WatchControls::share_control);
}

TEST(ChromeControls, TheToggleHidesAndShowsTheRailWideAndNarrow)
{
    struct Case {
        char const* name;
        double width;
        bool shown_at_start;
    };
    Case const cases[] = { { "wide", 1280, true }, { "narrow", 560, false } };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        Window window(Route::home(), c.width);
        ASSERT_EQ(window.app->nav_visible(), c.shown_at_start);
        EXPECT_TRUE(window.fire("nav_toggle"));
        EXPECT_EQ(window.app->nav_visible(), !c.shown_at_start);
        EXPECT_TRUE(window.fire("nav_toggle"));
        EXPECT_EQ(window.app->nav_visible(), c.shown_at_start);
    }
}

TEST(ChromeControls, TheQueueButtonChangesTheLibraryDocumentAndTheModelFollows)
{
    Window window;
    auto id = first_video_id(window.app->model());
    auto button = "queue_btn_" + id;
    ASSERT_FALSE(contains(window.app->model().queue, id));

    ASSERT_TRUE(window.driver->invoke_control(button));
    EXPECT_TRUE(contains(window.document_queue(), id));
    // No local echo: the model shows the change once it reads the document.
    EXPECT_FALSE(contains(window.app->model().queue, id));
    window.frame();
    EXPECT_TRUE(contains(window.app->model().queue, id));

    // The rebuilt button is bound to taking the video out again.
    EXPECT_TRUE(window.fire(button));
    EXPECT_FALSE(contains(window.document_queue(), id));
    EXPECT_FALSE(contains(window.app->model().queue, id));

    // The Queue page's button of the video is bound the same way.
    ASSERT_TRUE(window.fire(button));
    ASSERT_TRUE(window.fire("nav_queue"));
    ASSERT_TRUE(contains(window.control_ids(), button));
    EXPECT_TRUE(window.fire(button));
    EXPECT_FALSE(contains(window.document_queue(), id));
}

TEST(ChromeControls, TreeActionsWithoutAControlReachTheDocumentByAddress)
{
    Window window;
    auto const& model = window.app->model();
    auto const* video = model.video(first_video_id(model));
    ASSERT_NE(video, nullptr);
    ASSERT_FALSE(video->comments.empty());
    bool autoplay = model.settings.autoplay;

    EXPECT_TRUE(window.driver->actions().invoke_address(window.driver->root(), "vexa.settings#autoplay"));
    window.frame();
    EXPECT_EQ(window.app->model().settings.autoplay, !autoplay);

    // A comment's address holds a "#" of its own: the action is what follows the last one.
    auto comment = vexa::comment_resource_id(video->id, video->comments.front());
    EXPECT_TRUE(window.driver->actions().invoke_address(window.driver->root(), "vexa.comment:" + comment + "#like"));
    window.frame();
    EXPECT_TRUE(window.app->model().comment_likes.at(comment));

    // A reply takes its text as the argument of a binding.
    auto tree = vexa::video_action_resource(window.app->model(), video->id, vexa::WithComments::Yes);
    ASSERT_TRUE(tree.has_value());
    auto const& resource = tree->children.front();
    ASSERT_EQ(resource.address, "vexa.comment:" + comment);
    auto binding = kaso::actions::ActionBinding::static_json(resource, "reply", { { "value", "Thanks for this" } });
    ASSERT_TRUE(binding.has_value());
    auto invocation = kaso::actions::unit_binding_invocation(*binding);
    ASSERT_TRUE(invocation.has_value());
    EXPECT_TRUE(window.driver->actions().run(window.driver->root(), *invocation));
    auto reply_id = vexa::comment_reply_id(comment, "Thanks for this");
    EXPECT_EQ(vexa::testing::scalar_at(window.store.document(), { "vexa", "comment_replies", comment, reply_id, "text" }),
        automerge::ScalarValue::str("Thanks for this"));
}

TEST(WatchControls, PlayPauseThroughItsControlTogglesThePlayer)
{
    Window window;
    auto const& player = window.app->player();
    player->set_engine(kaso::media::MediaEngine::create_synthesized());
    ASSERT_TRUE(player->open(vexa::launch_state::demo_clip_address));
    bool before = player->is_playing();
    EXPECT_TRUE(window.fire(WatchControls::play_pause_control));
    EXPECT_NE(player->is_playing(), before);
    EXPECT_EQ(window.app->model().playing, player->is_playing());
    // The page's own play-pause action goes the same way, through the control's emitter.
    window.press(UiAction::toggle_playback());
    EXPECT_EQ(player->is_playing(), before);
}

TEST(WatchControls, ShareCopiesTheLinkOfTheVideoOnScreenOnly)
{
    ASSERT_FALSE(Clipboard::uses_desktop());
    Window window;
    auto id = first_video_id(window.app->model());
    ASSERT_TRUE(Clipboard::set_text("before"));
    window.press(UiAction::share("another_video"));
    EXPECT_EQ(Clipboard::text(), "before");

    window.press(UiAction::share(id));
    auto link = vexa::share_link(id);
    EXPECT_EQ(Clipboard::text(), link);
    ASSERT_FALSE(window.app->model().notices.empty());
    EXPECT_EQ(window.app->model().notices.front(), "Link copied: " + link);
}

TEST(WatchControls, FollowTheVideoOnScreen)
{
    vexa::AppState state("user:test");
    auto const& model = state.model();
    ASSERT_GE(model.videos.size(), 2u);
    auto first = model.videos[0].id;
    auto second = model.videos[1].id;
    auto& controls = state.watch_controls();

    state.navigate_to_launch_route(Route::home());
    state.refresh_watch_controls();
    EXPECT_TRUE(controls.bindings().empty());

    state.navigate_to_launch_route(Route::watch("not_in_the_catalogue"));
    state.refresh_watch_controls();
    EXPECT_TRUE(controls.bindings().empty());
    EXPECT_FALSE(controls.bound_to().has_value());

    state.navigate_to_launch_route(Route::watch(first));
    state.refresh_watch_controls();
    auto bindings = controls.bindings();
    ASSERT_EQ(bindings.size(), 2u);
    EXPECT_EQ(bindings[0].address, (ActionAddress { "vexa.current:" + first, "play-pause" }));
    EXPECT_EQ(bindings[1].address, (ActionAddress { "vexa.current:" + first, "share" }));

    // Staying on the video keeps what is waiting; moving to another drops it.
    ASSERT_TRUE(controls.play_pause()->emit().has_value());
    state.refresh_watch_controls();
    EXPECT_EQ(controls.play_pause()->backlog_size(), 1u);
    state.navigate_to_launch_route(Route::watch(second));
    state.refresh_watch_controls();
    EXPECT_EQ(controls.bound_to(), second);
    EXPECT_EQ(controls.play_pause()->backlog_size(), 0u);
    EXPECT_FALSE(state.take_control_invocation().has_value());

    state.navigate_to_launch_route(Route::home());
    state.refresh_watch_controls();
    EXPECT_EQ(controls.play_pause(), nullptr);
    EXPECT_EQ(controls.share(), nullptr);
}

TEST(WatchControls, InvocationsComeDeviceCommandsFirstThenPlayPauseThenShare)
{
    vexa::AppState state("user:test");
    state.set_device_sync(vexa::demo_device_sync()); // an approved device: "sync" is offered
    auto id = first_video_id(state.model());
    state.navigate_to_launch_route(Route::watch(id));
    state.refresh_watch_controls();
    ASSERT_TRUE(state.watch_controls().share()->emit().has_value());
    ASSERT_TRUE(state.watch_controls().play_pause()->emit().has_value());
    ASSERT_TRUE(state.queue_device_invocation("sync", std::nullopt));

    std::vector<std::string> order;
    while (auto invocation = state.take_control_invocation())
        order.push_back(invocation->address.encode());
    std::vector<std::string> expected { "vexa.device-sync#sync", "vexa.current:" + id + "#play-pause", "vexa.current:" + id + "#share" };
    EXPECT_EQ(order, expected);
}

TEST(WatchControls, DeviceRequestsTheTreeDoesNotOfferSayWhyAndQueueNothing)
{
    struct Case {
        UiAction action;
        char const* notice;
    };
    Case const cases[] = {
        { UiAction::pair_device(), "Paste a pairing invite first, or unlock the desktop secret broker" },
        { UiAction::sync_devices(), "Device sync is unavailable" },
        { UiAction::approve_device("no_such_peer"), "Device approval is unavailable" },
        { UiAction::revoke_device("no_such_peer"), "Device revocation is unavailable" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.notice);
        vexa::AppState state("user:test"); // device sync unavailable
        state.carry_out(c.action, nullptr);
        ASSERT_FALSE(state.model().notices.empty());
        EXPECT_EQ(state.model().notices.front(), c.notice);
        EXPECT_FALSE(state.take_control_invocation().has_value());
    }
}
