// The operations the runtime hands the application: the contract check, what each one does and
// the notices it leaves. Nothing here starts a worker that could leave the process.

#include <gtest/gtest.h>

#include "kaso/ui/Clipboard.h"
#include "src/actions/VexaOperation.h"
#include "src/app/AppState.h"
#include "src/app/LaunchStates.h"
#include "src/app/Operations.h"
#include "src/app/SyncRequest.h"

using kaso::actions::EncodedAction;
using kaso::ui::Clipboard;
using vexa::Route;
using vexa::VexaOperation;

namespace {

constexpr uint8_t plain = 1;
constexpr uint8_t presenting = 2;

EncodedAction encoded(VexaOperation const& operation) { return EncodedAction::from_text("vexa.operation", operation.to_json_text()); }

// The sample catalogue on Home, with one known playlist, and the fetch worker's queues held
// here so no worker thread starts.
struct App {
    vexa::AppState state { "user:test" };
    kaso::Receiver<vexa::WorkerRequest> requests;
    kaso::Sender<vexa::WorkerMessage> results;

    App()
    {
        auto [request_sender, request_receiver] = kaso::bounded_queue<vexa::WorkerRequest>(vexa::FetchWorker::request_capacity);
        auto [result_sender, result_receiver] = kaso::bounded_queue<vexa::WorkerMessage>(vexa::FetchWorker::result_capacity);
        state.set_fetch_worker(vexa::FetchWorker::over_queues(std::move(request_sender), std::move(result_receiver)));
        requests = std::move(request_receiver);
        results = std::move(result_sender);
        state.set_history(vexa::OwnerHistory::in_memory());
        state.navigate_to_launch_route(Route::home());
        vexa::Playlist playlist;
        playlist.id = "pl_known";
        playlist.title = "Known playlist";
        state.model().upsert_playlist(playlist);
        (void)state.take_structure_dirty();
    }

    kaso::ui::OperationOutcome run(VexaOperation const& operation, uint8_t declared) { return state.execute_operation(declared, encoded(operation)); }
    // Runs with the operation's own type and expects it done.
    void done(VexaOperation const& operation)
    {
        auto outcome = run(operation, operation.operation_type_number());
        ASSERT_TRUE(outcome.has_value());
        ASSERT_TRUE(outcome->has_value()) << outcome->error().message;
    }
    std::string newest_notice() const { return state.model().notices.empty() ? "" : state.model().notices.front(); }
};

// Every operation, one of each variant.
std::vector<VexaOperation> every_operation()
{
    return {
        VexaOperation::TogglePlayback {},
        VexaOperation::ToggleSidebar {},
        VexaOperation::Share { "vid_solder" },
        VexaOperation::Navigate { Route::trending() },
        VexaOperation::OpenVideo { "vid_solder" },
        VexaOperation::OpenChannel { "ch_orbit" },
        VexaOperation::OpenPlaylist { "pl_known" },
        VexaOperation::Download { "vid_solder" },
        VexaOperation::PairDevice { "invite" },
        VexaOperation::SyncDevices {},
        VexaOperation::ApproveDevice { "peer" },
        VexaOperation::RevokeDevice { "peer" },
        VexaOperation::RecordHistory { "vid_solder" },
        VexaOperation::RemoveHistory { "vid_solder" },
        VexaOperation::ClearHistory {},
    };
}

}

TEST(ExecuteOperation, EveryOperationRunsUnderItsOwnTypeAndIsRefusedUnderTheOther)
{
    for (auto const& operation : every_operation()) {
        SCOPED_TRACE(operation.to_json_text());
        uint8_t own = operation.operation_type_number();
        uint8_t other = own == plain ? presenting : plain;

        App refused;
        auto notices = refused.state.model().notices;
        auto outcome = refused.run(operation, other);
        ASSERT_TRUE(outcome.has_value());
        ASSERT_FALSE(outcome->has_value());
        EXPECT_EQ(outcome->error().message, "Vexa operation kind does not match its declared contract");
        EXPECT_EQ(refused.state.model().route, Route::home());
        EXPECT_EQ(refused.state.model().notices, notices);
        EXPECT_EQ(refused.state.layout().rail(), App().state.layout().rail());
        EXPECT_FALSE(refused.state.take_structure_dirty());

        App accepted;
        accepted.done(operation);
        EXPECT_TRUE(accepted.state.take_structure_dirty());
    }
}

TEST(ExecuteOperation, TheDeclaredTypesOfTheOperations)
{
    std::vector<std::pair<std::string, uint8_t>> seen;
    for (auto const& operation : every_operation())
        seen.emplace_back(operation.variant_name(), operation.operation_type_number());
    std::vector<std::pair<std::string, uint8_t>> expected { { "TogglePlayback", 2 }, { "ToggleSidebar", 2 }, { "Share", 1 },
        { "Navigate", 2 }, { "OpenVideo", 2 }, { "OpenChannel", 2 }, { "OpenPlaylist", 2 }, { "Download", 1 }, { "PairDevice", 1 },
        { "SyncDevices", 1 }, { "ApproveDevice", 1 }, { "RevokeDevice", 1 }, { "RecordHistory", 1 }, { "RemoveHistory", 1 },
        { "ClearHistory", 1 } };
    EXPECT_EQ(seen, expected);
}

TEST(ExecuteOperation, OtherKindsAndTypeZeroAreNotTheApplicationsAndBadPayloadsAreErrors)
{
    App app;
    EXPECT_EQ(app.run(VexaOperation::Navigate { Route::trending() }, 0), std::nullopt);
    EXPECT_EQ(app.state.execute_operation(presenting, EncodedAction::from_text("vexa.action", "\"ToggleSidebar\"")), std::nullopt);
    EXPECT_EQ(app.state.model().route, Route::home());

    for (auto payload : { "{", "\"Watch\"", "{\"Navigate\":{\"route\":\"Search\"}}", "{\"OpenVideo\":{}}", "\"Teleport\"" }) {
        SCOPED_TRACE(payload);
        auto outcome = app.state.execute_operation(presenting, EncodedAction::from_text("vexa.operation", payload));
        ASSERT_TRUE(outcome.has_value());
        ASSERT_FALSE(outcome->has_value());
        EXPECT_FALSE(outcome->error().message.empty());
        EXPECT_NE(outcome->error().message, vexa::operation_contract_mismatch);
    }
    EXPECT_EQ(app.state.model().route, Route::home());
    EXPECT_FALSE(app.state.take_structure_dirty());
}

TEST(ExecuteOperation, OpeningKnownItemsNavigatesAndUnknownOnesLeaveANotice)
{
    struct Case {
        VexaOperation operation;
        Route route;       // where the application is afterwards
        char const* notice; // the newest notice afterwards ("" for none)
    };
    Case const cases[] {
        { VexaOperation::Navigate { Route::search("cats") }, Route::search("cats"), "" },
        { VexaOperation::OpenVideo { "vid_solder" }, Route::watch("vid_solder"), "" },
        { VexaOperation::OpenVideo { "vid_gone" }, Route::home(), "That video is no longer available" },
        { VexaOperation::OpenChannel { "ch_orbit" }, Route::channel("ch_orbit"), "" },
        { VexaOperation::OpenChannel { "ch_gone" }, Route::home(), "That creator is no longer available" },
        { VexaOperation::OpenPlaylist { "pl_known" }, Route::playlist("pl_known"), "" },
        { VexaOperation::OpenPlaylist { "pl_gone" }, Route::home(), "That playlist is no longer available" },
        { VexaOperation::Download { "vid_solder" }, Route::home(), "Downloads are unavailable for vid_solder: no storage capability" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.operation.to_json_text());
        App app;
        app.done(c.operation);
        EXPECT_EQ(app.state.model().route, c.route);
        EXPECT_EQ(app.newest_notice(), c.notice);
        bool moved = !(c.route == Route::home());
        EXPECT_EQ(app.state.navigation().back_stack.size(), moved ? 1u : 0u);
    }
}

TEST(ExecuteOperation, OpeningHidesTheRailOfANarrowWindow)
{
    App app;
    app.state.layout().set_viewport(500, 800);
    app.state.layout().toggle_nav();
    ASSERT_TRUE(app.state.layout().nav_visible());
    app.done(VexaOperation::OpenVideo { "vid_solder" });
    EXPECT_FALSE(app.state.layout().nav_visible());
}

TEST(ExecuteOperation, ToggleSidebarAndTogglePlaybackFlipTheirState)
{
    App app;
    app.state.layout().set_viewport(1280, 800);
    ASSERT_TRUE(app.state.layout().nav_visible());
    app.done(VexaOperation::ToggleSidebar {});
    EXPECT_FALSE(app.state.layout().nav_visible());
    app.done(VexaOperation::ToggleSidebar {});
    EXPECT_TRUE(app.state.layout().nav_visible());

    app.state.player()->set_engine(kaso::media::MediaEngine::create_synthesized());
    ASSERT_TRUE(app.state.player()->open(vexa::launch_state::demo_clip_address));
    bool before = app.state.player()->is_playing();
    app.done(VexaOperation::TogglePlayback {});
    EXPECT_NE(app.state.player()->is_playing(), before);
    EXPECT_EQ(app.state.model().playing, app.state.player()->is_playing());
    app.done(VexaOperation::TogglePlayback {});
    EXPECT_EQ(app.state.player()->is_playing(), before);
    EXPECT_EQ(app.state.model().playing, before);
}

TEST(ExecuteOperation, ShareCopiesTheShortLinkOrSaysTheCopyFailed)
{
    ASSERT_FALSE(Clipboard::uses_desktop());
    auto link = "https://" + vexa::ServiceSettings::standard().short_link_host + "/vid_solder";
    EXPECT_EQ(vexa::share_link("vid_solder"), link);
    EXPECT_EQ(vexa::ServiceSettings::standard().short_link_host, "youtu.be");

    App app;
    ASSERT_TRUE(Clipboard::set_text("before"));
    app.done(VexaOperation::Share { "vid_solder" });
    EXPECT_EQ(Clipboard::text(), link);
    EXPECT_EQ(app.newest_notice(), "Link copied: " + link);

    ASSERT_TRUE(Clipboard::set_text("before"));
    Clipboard::set_in_memory_refuses(true);
    app.done(VexaOperation::Share { "vid_solder" });
    Clipboard::set_in_memory_refuses(false);
    EXPECT_EQ(Clipboard::text(), "before");
    EXPECT_EQ(app.newest_notice(), "Could not copy the link: " + link);
}

namespace {

// The device-sync handle in front of a stand-in worker whose command queue the test holds.
struct DeviceWorker {
    kaso::Receiver<vexa::DeviceSyncCommand> commands;
    kaso::Sender<vexa::DeviceSyncUpdate> updates;

    explicit DeviceWorker(vexa::AppState& state)
    {
        auto [command_sender, command_receiver] = kaso::bounded_queue<vexa::DeviceSyncCommand>(vexa::sync::device_sync_command_capacity);
        auto [update_sender, update_receiver] = kaso::unbounded_queue<vexa::DeviceSyncUpdate>();
        state.set_device_sync(vexa::DeviceSyncHandle(std::move(command_sender), std::move(update_receiver), {}));
        commands = std::move(command_receiver);
        updates = std::move(update_sender);
    }
};

std::string describe(vexa::DeviceSyncCommand const& command)
{
    using Command = vexa::DeviceSyncCommand;
    return std::visit(
        [](auto const& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Command::SyncNow>)
                return fmt::format("sync {} subscriptions, {} watched", value.payload.subscriptions.size(), value.payload.history.size());
            else if constexpr (std::is_same_v<T, Command::Pair>)
                return fmt::format("pair \"{}\"", value.invite_text());
            else if constexpr (std::is_same_v<T, Command::Approve>)
                return "approve " + value.peer_id;
            else
                return "revoke " + value.peer_id;
        },
        command.value);
}

}

TEST(ExecuteOperation, DeviceOperationsQueueTheirCommandsInOrder)
{
    App app;
    DeviceWorker worker(app.state);
    auto expected_sync = vexa::build_sync_request(app.state.model());
    app.done(VexaOperation::PairDevice { "  invite text " });
    app.done(VexaOperation::PairDevice { "" });
    app.done(VexaOperation::SyncDevices {});
    app.done(VexaOperation::ApproveDevice { "peer-a" });
    app.done(VexaOperation::RevokeDevice { "peer-b" });
    EXPECT_TRUE(app.state.model().notices.empty());

    std::vector<std::string> seen;
    while (auto command = worker.commands.try_receive()) {
        if (auto const* sync = std::get_if<vexa::DeviceSyncCommand::SyncNow>(&command->value)) {
            EXPECT_EQ(sync->payload, expected_sync);
        }
        seen.push_back(describe(*command));
    }
    EXPECT_EQ(seen,
        (std::vector<std::string> { "pair \"  invite text \"", "pair \"\"",
            fmt::format("sync {} subscriptions, {} watched", expected_sync.subscriptions.size(), expected_sync.history.size()),
            "approve peer-a", "revoke peer-b" }));
}

TEST(ExecuteOperation, AFullDeviceQueueOrNoWorkerTurnsEachCommandIntoItsNotice)
{
    struct Case {
        VexaOperation operation;
        char const* notice;
    };
    Case const cases[] {
        { VexaOperation::PairDevice { "invite" }, "Device pairing is busy or unavailable" },
        { VexaOperation::SyncDevices {}, "Device sync is busy or unavailable" },
        { VexaOperation::ApproveDevice { "peer" }, "Could not queue device approval" },
        { VexaOperation::RevokeDevice { "peer" }, "Could not queue device revocation" },
    };
    App full;
    DeviceWorker worker(full.state);
    for (size_t i = 0; i < vexa::sync::device_sync_command_capacity; ++i)
        full.done(VexaOperation::ApproveDevice { fmt::format("peer-{}", i) });
    ASSERT_TRUE(full.state.model().notices.empty());

    App without_worker; // the sample application's handle has no worker
    for (auto const& c : cases) {
        SCOPED_TRACE(c.notice);
        full.done(c.operation);
        EXPECT_EQ(full.newest_notice(), c.notice);
        without_worker.done(c.operation);
        EXPECT_EQ(without_worker.newest_notice(), c.notice);
    }
    // The eight waiting commands are the ones queued before the queue filled.
    size_t waiting = 0;
    while (auto command = worker.commands.try_receive())
        EXPECT_EQ(describe(*command), fmt::format("approve peer-{}", waiting++));
    EXPECT_EQ(waiting, vexa::sync::device_sync_command_capacity);
}

TEST(ExecuteOperation, HistoryOperationsChangeTheOwnerLocalList)
{
    App app;
    app.state.model().history.clear();
    app.done(VexaOperation::RecordHistory { "vid_solder" });
    app.done(VexaOperation::RecordHistory { "vid_donut" });
    EXPECT_EQ(app.state.model().history, (std::vector<std::string> { "vid_donut", "vid_solder" }));
    app.state.model().history.push_back("vid_donut"); // listed twice
    app.done(VexaOperation::RemoveHistory { "vid_donut" });
    EXPECT_EQ(app.state.model().history, (std::vector<std::string> { "vid_solder" }));
    app.done(VexaOperation::ClearHistory {});
    EXPECT_TRUE(app.state.model().history.empty());
    EXPECT_TRUE(app.state.model().notices.empty()); // the operation clears without a confirmation
}
