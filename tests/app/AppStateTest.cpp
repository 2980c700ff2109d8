// The application state driven without widgets: frames, worker results and the mends around
// them. A stand-in serves the fetch worker's queues, so nothing leaves the process.

#include <gtest/gtest.h>

#include "kaso/ui/FrameDriver.h"
#include "src/app/AppState.h"
#include "src/app/VexaApp.h"

using namespace kaso::ui;
using vexa::Route;
using vexa::UiAction;
namespace msg = vexa::worker_message;

namespace {

// The fetch worker's far ends, held by the test.
struct StandInWorker {
    kaso::Receiver<vexa::WorkerRequest> requests;
    kaso::Sender<vexa::WorkerMessage> results;

    void send(vexa::WorkerMessage message) { ASSERT_EQ(results.try_send(std::move(message)), kaso::SendResult::Sent); }
};

StandInWorker connect(vexa::AppState& state)
{
    auto [request_sender, request_receiver] = kaso::bounded_queue<vexa::WorkerRequest>(vexa::FetchWorker::request_capacity);
    auto [result_sender, result_receiver] = kaso::bounded_queue<vexa::WorkerMessage>(vexa::FetchWorker::result_capacity);
    state.set_fetch_worker(vexa::FetchWorker::over_queues(std::move(request_sender), std::move(result_receiver)));
    return StandInWorker { std::move(request_receiver), std::move(result_sender) };
}

void frame(vexa::AppState& state)
{
    SyncContext context;
    state.run_frame(context, nullptr);
}

// The live application on the Watch page of "v", its player on the synthesized engine.
struct Watching {
    vexa::AppState state { "user:test" };
    StandInWorker worker { connect(state) };

    Watching()
    {
        state.make_live(nullptr);
        state.navigate_to_launch_route(Route::watch("v"));
        state.player()->set_engine(kaso::media::MediaEngine::create_synthesized());
        frame(state); // asks for the stream
    }
    void stream_arrives(std::string address) { worker.send(msg::Stream { .video_id = "v", .url = std::move(address), .quality = "720p", .has_audio = true }); }
};

}

TEST(AppStateStreams, AnHttpAddressOpensWhateverTheCaseOfItsScheme)
{
    for (auto address : { "https://demo.kaso.localhost/clip.mp4", "HTTPS://demo.kaso.localhost/clip.mp4", "Http://demo.kaso.localhost/c.mp4" }) {
        Watching watching;
        ASSERT_EQ(watching.state.playback().stream_requested_for(), "v");
        watching.stream_arrives(address);
        frame(watching.state);
        EXPECT_EQ(watching.state.playback().loaded_video(), "v") << address;
        EXPECT_TRUE(watching.state.player()->mpris_enabled()) << address;
    }
}

TEST(AppStateStreams, AFailedFirstOpenLeavesTheMediaControlsForTheNextStream)
{
    Watching watching;
    auto& player = *watching.state.player();
    player.set_engine(nullptr); // every open fails
    watching.stream_arrives("https://demo.kaso.localhost/clip.mp4");
    frame(watching.state);
    EXPECT_FALSE(watching.state.playback().loaded_video().has_value());
    EXPECT_FALSE(player.mpris_enabled());

    player.set_engine(kaso::media::MediaEngine::create_synthesized());
    watching.stream_arrives("https://demo.kaso.localhost/clip.mp4");
    frame(watching.state);
    EXPECT_EQ(watching.state.playback().loaded_video(), "v");
    EXPECT_TRUE(player.mpris_enabled());
}

TEST(AppStateSearch, ResultsMoveOnlyTheSearchOfTheirQueryAndThroughTheNavigation)
{
    struct Case {
        char const* name;
        Route shown;
        std::string search_text;
        std::string query;
        Route expected;
    };
    Case const cases[] = {
        { "late results of an older query", Route::search("b"), "b", "a", Route::search("b") },
        { "results of the shown text", Route::search(""), "cats", "cats", Route::search("cats") },
        { "not on a Search page", Route::trending(), "cats", "cats", Route::trending() },
    };
    for (auto const& c : cases) {
        vexa::AppState state("user:test");
        auto worker = connect(state);
        state.navigate_to_launch_route(Route::home());
        state.navigate(c.shown);
        state.model().search_text = c.search_text;
        worker.send(msg::SearchResults { c.query, {}, {}, {} });
        frame(state);
        EXPECT_EQ(state.model().route, c.expected) << c.name;
        EXPECT_EQ(state.navigation().current, state.model().route) << c.name;
        EXPECT_EQ(state.navigation().back_stack, std::vector<Route> { Route::home() }) << c.name;
        EXPECT_EQ(state.model().search_query, c.query) << c.name; // the results themselves are kept
    }
}

TEST(AppStateFrame, OnlyTheFrameTakesInWorkerResults)
{
    auto owned = vexa::VexaApp::create_for_owner("user:test");
    auto& app = *owned;
    auto worker = connect(app.state());
    auto label = app.model().status_label;
    worker.send(msg::Status { .label = "worker says hello", .live = false });

    // Asking whether the structure is dirty, or handling an event, answers without applying it.
    (void)app.take_structure_dirty();
    Event leave = PointerLeave {};
    EventContext context { .event = leave, .modifiers = {}, .scale = 1.0f };
    app.handle_event(context);
    EXPECT_EQ(app.model().status_label, label);
    EXPECT_FALSE(app.take_structure_dirty());

    SyncContext sync;
    app.sync(sync);
    EXPECT_EQ(app.model().status_label, "worker says hello");
    EXPECT_TRUE(app.take_structure_dirty());
}

TEST(AppStateFrame, ANonLiveStateStaysQuiet)
{
    // Frames of a launch state send nothing: no feed request, no stream request.
    vexa::AppState state("user:test");
    auto worker = connect(state);
    state.navigate_to_launch_route(Route::watch("v"));
    for (int i = 0; i < 3; ++i)
        frame(state);
    EXPECT_FALSE(worker.requests.try_receive().has_value());

    // The live one asks for its feed once, then for the Watch route's stream once.
    vexa::AppState live("user:test");
    auto live_worker = connect(live);
    live.make_live(nullptr);
    live.navigate_to_launch_route(Route::watch("v"));
    for (int i = 0; i < 3; ++i)
        frame(live);
    std::vector<std::string> sent;
    while (auto request = live_worker.requests.try_receive())
        sent.push_back(vexa::describe(*request));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], vexa::describe(vexa::WorkerRequest::trending()));
    EXPECT_EQ(sent[1], vexa::describe(vexa::WorkerRequest::resolve_stream("v")));
}
