// The owner-local history as the application uses it: what opening a video, clearing, the
// history operations and the frame do to the store and the model, and how refusals show.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "automerge/Document.h"
#include "src/app/AppState.h"
#include "src/app/Launch.h"
#include "src/app/VexaApp.h"
#include "src/history/HistoryOwner.h"
#include "src/history/HistoryReaders.h"
#include "tests/history/Support.h"

namespace fs = std::filesystem;
using automerge::Document;
using automerge::ScalarValue;
using vexa::AppState;
using vexa::HistoryStore;
using vexa::OwnerHistory;
using vexa::Route;
using vexa::UiAction;
using vexa::VexaModel;

namespace {

constexpr char const* owner = "user:test";

std::vector<std::string> ids(std::initializer_list<char const*> list) { return std::vector<std::string>(list.begin(), list.end()); }

// The mutation id the store resolves the video to, none when it holds no entry.
std::optional<std::string> mutation_of(HistoryStore const& store, std::string const& video)
{
    auto history = vexa::owner_history_map(store.document());
    auto entries = history ? vexa::map_at(store.document(), *history, "entries") : std::nullopt;
    auto record = entries ? vexa::resolve_entry(store.document(), *entries, video) : std::nullopt;
    if (!record)
        return std::nullopt;
    return record->mutation_id;
}

// A clock the test moves: each reading is one millisecond after the last.
HistoryStore::Clock ticking_from(uint64_t start)
{
    auto now = std::make_shared<uint64_t>(start);
    return [now] { return (*now)++; };
}

// The fetch worker's far ends, held so that no real worker starts.
struct StandInWorker {
    kaso::Receiver<vexa::WorkerRequest> requests;
    kaso::Sender<vexa::WorkerMessage> results;
};

StandInWorker connect(AppState& state)
{
    auto [request_sender, request_receiver] = kaso::bounded_queue<vexa::WorkerRequest>(vexa::FetchWorker::request_capacity);
    auto [result_sender, result_receiver] = kaso::bounded_queue<vexa::WorkerMessage>(vexa::FetchWorker::result_capacity);
    state.set_fetch_worker(vexa::FetchWorker::over_queues(std::move(request_sender), std::move(result_receiver)));
    return StandInWorker { std::move(request_receiver), std::move(result_sender) };
}

void frame(AppState& state, Document const* library = nullptr)
{
    kaso::ui::SyncContext context;
    context.library = library;
    state.run_frame(context, nullptr);
}

UiAction clear_history_action()
{
    UiAction action;
    action.kind = vexa::UiActionKind::ClearHistory;
    return action;
}

class OwnerHistoryTest : public ::testing::Test {
public:
    vexa::testing::ScratchDirectory scratch { "vexa-owner-history" };

    fs::path file() const { return HistoryStore::path_for(scratch.path(), owner); }
    OwnerHistory open_file(uint64_t clock_start = 1000) const
    {
        auto history = OwnerHistory::open_in(owner, scratch.path());
        history.store().set_clock(ticking_from(clock_start));
        return history;
    }
    // An application state over the scratch file, with a stand-in worker.
    std::unique_ptr<AppState> state_over_file(uint64_t clock_start = 1000) const
    {
        auto state = std::make_unique<AppState>(owner, open_file(clock_start));
        m_workers.push_back(connect(*state));
        return state;
    }
    void make_corrupt() const { vexa::testing::write_text(file(), "not an automerge document"); }

private:
    mutable std::vector<StandInWorker> m_workers;
};

}

TEST_F(OwnerHistoryTest, HistoryChangesStampMutationIdsAndMoveTheModelList)
{
    auto history = open_file(5000);
    VexaModel model = VexaModel::empty();
    model.owner_id = owner;

    ASSERT_TRUE(history.record_history("a", model));
    EXPECT_EQ(mutation_of(history.store(), "a"), "user:test:watch:a:5000");
    ASSERT_TRUE(history.record_history("b", model));
    // A second watch of the same video: a new mutation id, the video once at the front.
    ASSERT_TRUE(history.record_history("a", model));
    EXPECT_EQ(mutation_of(history.store(), "a"), "user:test:watch:a:5002");
    EXPECT_EQ(model.history, ids({ "a", "b" }));

    // A removal drops every occurrence from the model's list, however it got there.
    model.history = ids({ "b", "a", "c", "a" });
    ASSERT_TRUE(history.remove_history("a", model));
    EXPECT_EQ(mutation_of(history.store(), "a"), "user:test:remove:a:5003");
    EXPECT_EQ(model.history, ids({ "b", "c" }));

    ASSERT_TRUE(history.clear_history(model));
    EXPECT_TRUE(model.history.empty());
    auto map = vexa::owner_history_map(history.store().document());
    auto clears = map ? vexa::map_at(history.store().document(), *map, "clears") : std::nullopt;
    ASSERT_TRUE(clears);
    EXPECT_EQ(vexa::clear_time(history.store().document(), *clears, "user:test:clear:all:5004"), 5004u);
    // None of the three says anything.
    EXPECT_TRUE(model.notices.empty());
    EXPECT_FALSE(model.history_notice);

    // All of it is in the file: only what was watched after the clear shows.
    ASSERT_TRUE(history.record_history("c", model));
    auto again = open_file();
    ASSERT_EQ(again.store().history_list().size(), 1u);
    EXPECT_EQ(again.store().history_list().front().video_id, "c");
}

TEST_F(OwnerHistoryTest, RefusalsLeaveTheListAndSetTheStoresNotice)
{
    struct Case {
        char const* name;
        std::function<void(OwnerHistoryTest&)> before_open;
        std::function<void(OwnerHistoryTest&)> after_open;
        char const* notice;
    };
    std::vector<Case> cases = {
        { "recovery required", [](OwnerHistoryTest& t) { t.make_corrupt(); }, [](OwnerHistoryTest&) {}, OwnerHistory::recovery_notice },
        // The file's place taken by a directory after opening: the save cannot be done.
        { "save fails", [](OwnerHistoryTest&) {}, [](OwnerHistoryTest& t) { fs::create_directories(t.file()); }, OwnerHistory::save_failed_notice },
    };
    using Change = std::function<bool(OwnerHistory&, VexaModel&)>;
    std::vector<std::pair<char const*, Change>> changes = {
        { "record", [](OwnerHistory& h, VexaModel& m) { return h.record_history("new", m); } },
        { "remove", [](OwnerHistory& h, VexaModel& m) { return h.remove_history("a", m); } },
        { "clear", [](OwnerHistory& h, VexaModel& m) { return h.clear_history(m); } },
    };
    for (auto const& c : cases) {
        for (auto const& [change_name, change] : changes) {
            fs::remove_all(scratch.path() / "kaso");
            fs::create_directories(file().parent_path());
            c.before_open(*this);
            auto history = open_file();
            c.after_open(*this);
            VexaModel model = VexaModel::empty();
            model.owner_id = owner;
            model.history = ids({ "a", "b" });

            EXPECT_FALSE(change(history, model)) << c.name << " / " << change_name;
            EXPECT_EQ(model.history, ids({ "a", "b" })) << c.name << " / " << change_name;
            EXPECT_EQ(model.history_notice, std::optional<std::string>(c.notice)) << c.name << " / " << change_name;
            EXPECT_TRUE(history.store().history_list().empty()) << c.name << " / " << change_name;
        }
    }
}

TEST_F(OwnerHistoryTest, OpeningVideosRecordsThemAcrossApplicationObjects)
{
    {
        auto state = state_over_file();
        for (auto const* video : { "vid_donut", "vid_solder", "vid_moon_base" }) {
            state->open_video(video);
            EXPECT_EQ(state->model().route, Route::watch(video));
        }
        EXPECT_EQ(state->model().history, ids({ "vid_moon_base", "vid_solder", "vid_donut" }));
        EXPECT_FALSE(state->model().history_notice);
    }
    // The sample catalogue's own history list gives way to the file's on the first frame.
    auto again = state_over_file(9000);
    frame(*again);
    EXPECT_EQ(again->model().history, ids({ "vid_moon_base", "vid_solder", "vid_donut" }));

    // An unchanged document leaves the list and the dirty flag alone.
    (void)again->take_structure_dirty();
    frame(*again);
    EXPECT_FALSE(again->take_structure_dirty());
}

TEST_F(OwnerHistoryTest, RecoveryStateShowsItsNoticeAndStillPlaysWithTheFileUntouched)
{
    make_corrupt();
    auto before = vexa::testing::read_text(file());
    auto state = state_over_file();
    EXPECT_EQ(state->model().history_notice, std::optional<std::string>(OwnerHistory::recovery_notice));

    auto listed = state->model().history;
    state->model().history_notice.reset();
    state->open_video("vid_donut");
    EXPECT_EQ(state->model().route, Route::watch("vid_donut"));
    EXPECT_TRUE(state->model().playing);
    EXPECT_EQ(state->model().history, listed);
    EXPECT_EQ(state->model().history_notice, std::optional<std::string>(OwnerHistory::recovery_notice));

    // Clearing from the page: no confirmation, the list as it was.
    state->operations()->push(clear_history_action());
    state->carry_out_queued(nullptr);
    EXPECT_EQ(state->model().history, listed);
    EXPECT_TRUE(std::ranges::find(state->model().notices, "Watch history cleared for this profile") == state->model().notices.end());
    EXPECT_EQ(vexa::testing::read_text(file()), before);
}

TEST_F(OwnerHistoryTest, ClearHistoryActionConfirmsAndHidesEverythingBefore)
{
    auto state = state_over_file();
    state->open_video("vid_donut");
    state->open_video("vid_solder");
    state->operations()->push(clear_history_action());
    state->carry_out_queued(nullptr);
    EXPECT_TRUE(state->model().history.empty());
    ASSERT_FALSE(state->model().notices.empty());
    EXPECT_EQ(state->model().notices.front(), "Watch history cleared for this profile");
    frame(*state);
    EXPECT_TRUE(state->model().history.empty());
    // A watch after the clear shows.
    state->open_video("vid_donut");
    frame(*state);
    EXPECT_EQ(state->model().history, ids({ "vid_donut" }));
}

namespace {

automerge::ObjId ensure(Document& document, automerge::ObjId parent, std::string_view key)
{
    if (auto existing = vexa::map_at(document, parent, key))
        return *existing;
    return *document.put_object(parent, key, automerge::ObjType::Map);
}

// A library document holding the legacy shared history of `owner`.
Document legacy_library(std::vector<std::pair<std::string, uint64_t>> const& watched, uint64_t cleared_at)
{
    Document library;
    auto legacy = ensure(library, ensure(library, ensure(library, automerge::ROOT, "vexa"), "private_history"), owner);
    auto entries = ensure(library, legacy, "entries");
    for (auto const& [video, at] : watched)
        EXPECT_TRUE(library.put(entries, video, ScalarValue::str(*vexa::HistoryEntryRecord { true, at, "old-" + video }.to_json())));
    if (cleared_at) {
        EXPECT_TRUE(library.put(ensure(library, legacy, "clears"), "c", ScalarValue::str(std::to_string(cleared_at))));
    }
    return library;
}

}

TEST_F(OwnerHistoryTest, FrameMovesTheLegacyHistoryOnceAndListsIt)
{
    auto library = legacy_library({ { "at-clear", 100 }, { "after-clear", 101 }, { "newest", 300 } }, 100);
    {
        auto state = state_over_file(50000);
        frame(*state); // no library yet: nothing is recorded
        EXPECT_FALSE(vexa::read_legacy_migration_flag(state->history().store().document()));
        (void)state->take_structure_dirty();

        frame(*state, &library);
        EXPECT_TRUE(state->take_structure_dirty());
        EXPECT_TRUE(vexa::read_legacy_migration_flag(state->history().store().document()));
        EXPECT_EQ(state->model().history, ids({ "newest", "after-clear" }));
        EXPECT_EQ(mutation_of(state->history().store(), "newest"), "legacy:old-newest");

        // Recorded: a later frame moves nothing, even when the legacy map grew.
        state->open_video("vid_donut");
        auto grown = legacy_library({ { "late", 400 } }, 0);
        frame(*state, &grown);
        EXPECT_EQ(state->model().history, ids({ "vid_donut", "newest", "after-clear" }));
    }
    // The flag and the entries are in the file.
    auto again = state_over_file();
    frame(*again, &library);
    EXPECT_EQ(again->model().history, ids({ "vid_donut", "newest", "after-clear" }));
}

TEST_F(OwnerHistoryTest, FailedMigrationLeavesTheSaveNoticeAndWaits)
{
    auto library = legacy_library({ { "legacy", 100 } }, 0);
    auto state = state_over_file();
    fs::create_directories(file()); // no file can be written there
    frame(*state, &library);
    EXPECT_EQ(state->model().history_notice, std::optional<std::string>(OwnerHistory::save_failed_notice));
    EXPECT_FALSE(vexa::read_legacy_migration_flag(state->history().store().document()));
    EXPECT_TRUE(state->history().store().history_list().empty());

    // Mended at once: the next frame still waits out its minute (the clock moves 1 ms a read).
    fs::remove(file());
    frame(*state, &library);
    EXPECT_FALSE(vexa::read_legacy_migration_flag(state->history().store().document()));
}

TEST(OwnerHistoryLaunch, EmptyAndDiagnosticStatesNeverOpenTheUsersFile)
{
    vexa::testing::ScratchDirectory scratch("vexa-owner-history-launch");
    ::setenv("XDG_DATA_HOME", scratch.path().c_str(), 1);
    auto resolved = vexa::history_owner_id();
    auto path = HistoryStore::path_for(scratch.path(), resolved);
    // Unreadable and loosely moded: opening it would fix its mode and ask for recovery.
    vexa::testing::write_text(path, "not an automerge document");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    auto mode = [&] {
        struct stat status {};
        EXPECT_EQ(::stat(path.c_str(), &status), 0);
        return status.st_mode & 0777;
    };

    static constexpr std::string_view bools[] = { "--narrow", "--palette", "--play-demo", "--empty", "--loading", "--device-sync" };
    static constexpr std::string_view values[] = { "--route", "--palette-query" };
    auto empty = vexa::build_app_from_args(kaso::ui::launch::LaunchArgs::parse(std::vector<std::string> { "--empty" }, bools, values));
    EXPECT_FALSE(empty->history().is_persistent());
    EXPECT_FALSE(empty->history().needs_recovery());
    EXPECT_FALSE(empty->model().history_notice);
    auto diagnostic = vexa::VexaApp::create(vexa::VexaApp::HistoryFile::InMemory);
    diagnostic->with_model(VexaModel::empty());
    EXPECT_FALSE(diagnostic->history().is_persistent());
    EXPECT_FALSE(diagnostic->model().history_notice);
    EXPECT_EQ(mode(), 0644u);

    // The other launch states do open it, and find it needs recovery.
    auto home = vexa::build_app_from_args(kaso::ui::launch::LaunchArgs::parse(std::vector<std::string> { "--route=home" }, bools, values));
    EXPECT_TRUE(home->history().needs_recovery());
    EXPECT_EQ(home->model().history_notice, std::optional<std::string>(OwnerHistory::recovery_notice));
    EXPECT_EQ(vexa::testing::read_text(path), "not an automerge document");
    // A diagnostic model put on such an application takes a memory-only history, and the notice
    // about the file goes with the file's store.
    home->with_model(VexaModel::empty());
    EXPECT_FALSE(home->history().is_persistent());
    EXPECT_FALSE(home->model().history_notice);
    ::unsetenv("XDG_DATA_HOME");
}
