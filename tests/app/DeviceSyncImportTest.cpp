// What a frame does with the device-sync worker: the first frame asks for one pass, and the
// payloads peers sent are imported into the library document and the owner-local history, once.

#include <gtest/gtest.h>

#include <filesystem>

#include "automerge/Document.h"
#include "kaso/actions/LibraryStore.h"
#include "src/app/AppState.h"
#include "tests/history/Support.h"

namespace fs = std::filesystem;
using kaso::actions::LibraryStore;
using vexa::AppState;
using vexa::DeviceSyncCommand;
using vexa::DeviceSyncUpdate;
using vexa::OwnerHistory;

namespace {

constexpr char const* owner = "user:test";

// The worker's far ends of the handle's queues, held by the test.
struct WorkerEnds {
    kaso::Receiver<DeviceSyncCommand> commands;
    kaso::Sender<DeviceSyncUpdate> updates;

    void pulled(vexa::sync::SyncPayload payload) { ASSERT_EQ(updates.try_send({ DeviceSyncUpdate::Pulled { std::move(payload) } }), kaso::SendResult::Sent); }
    std::size_t sync_requests()
    {
        std::size_t count = 0;
        while (auto command = commands.try_receive())
            count += std::holds_alternative<DeviceSyncCommand::SyncNow>(command->value) ? 1 : 0;
        return count;
    }
};

class DeviceSyncFrame : public ::testing::Test {
protected:
    vexa::testing::ScratchDirectory scratch { "vexa-device-sync-frame" };
    LibraryStore library { LibraryStore::in_memory() };
    AppState state { owner, OwnerHistory::open_in(owner, scratch.path()) };
    WorkerEnds worker = connect();

    WorkerEnds connect()
    {
        auto [command_sender, command_receiver] = kaso::bounded_queue<DeviceSyncCommand>(vexa::sync::device_sync_command_capacity);
        auto [update_sender, update_receiver] = kaso::unbounded_queue<DeviceSyncUpdate>();
        state.set_device_sync(vexa::DeviceSyncHandle(std::move(command_sender), std::move(update_receiver), {}));
        return { std::move(command_receiver), std::move(update_sender) };
    }
    void frame()
    {
        kaso::ui::SyncContext context { &library.document(), 0, &library };
        state.run_frame(context, nullptr);
    }
    automerge::Document const& history_document() { return state.history().store().document(); }
};

vexa::sync::SyncPayload device_payload()
{
    return { { " https://www.youtube.com/@devchannel ", "https://m.youtube.com/@devchannel", "https://example.com/@elsewhere" },
        { "https://www.youtube.com/watch?v=one", "https://www.youtube.com/watch?v=two", "https://www.youtube.com/watch?v=one" } };
}

}

TEST_F(DeviceSyncFrame, PulledItemsShowInTheFrameThatTakesThemAndOnlyOnce)
{
    frame();
    EXPECT_EQ(worker.sync_requests(), 1u);
    (void)state.take_structure_dirty();

    worker.pulled(device_payload());
    frame();
    EXPECT_TRUE(state.take_structure_dirty());
    EXPECT_EQ(state.model().subscriptions, std::vector<std::string> { "https://www.youtube.com/@devchannel" });
    EXPECT_EQ(state.model().history, (std::vector<std::string> { "https://www.youtube.com/watch?v=one", "https://www.youtube.com/watch?v=two" }));
    EXPECT_FALSE(state.model().history_notice.has_value());
    EXPECT_EQ(worker.sync_requests(), 0u);

    // The device's next pass brings the same items: neither document changes again.
    auto const library_heads = library.document().heads();
    auto const history_heads = history_document().heads();
    worker.pulled(device_payload());
    frame();
    EXPECT_EQ(library.document().heads(), library_heads);
    EXPECT_EQ(history_document().heads(), history_heads);
    EXPECT_FALSE(state.take_structure_dirty());

    // What was imported is in the history file: a new application on it lists the same.
    AppState again { owner, OwnerHistory::open_in(owner, scratch.path()) };
    kaso::ui::SyncContext context { &library.document(), 0, &library };
    again.run_frame(context, nullptr);
    EXPECT_EQ(again.model().history, state.model().history);
}

TEST_F(DeviceSyncFrame, AFailedHistoryWriteLeavesItsNoticeAndKeepsTheSubscriptions)
{
    frame();
    fs::create_directories(vexa::HistoryStore::path_for(scratch.path(), owner)); // no file can be written there
    worker.pulled(device_payload());
    frame();
    EXPECT_EQ(state.model().history_notice, std::string(OwnerHistory::save_failed_notice));
    EXPECT_TRUE(state.model().history.empty());
    EXPECT_TRUE(history_document().heads().empty());
    EXPECT_EQ(state.model().subscriptions, std::vector<std::string> { "https://www.youtube.com/@devchannel" });
}
