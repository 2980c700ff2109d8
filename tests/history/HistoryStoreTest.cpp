// The history store's file lifecycle: opening checks and their states, saving, rollback,
// compaction, the batch form and the cached history list.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "src/history/Blake3.h"
#include "src/history/HistoryReaders.h"
#include "src/history/HistoryStore.h"
#include "tests/history/Support.h"

namespace fs = std::filesystem;
using vexa::HistoryStore;
using vexa::OwnerHistoryAction;
using vexa::testing::LogCapture;
using vexa::testing::ScratchDirectory;

namespace {

constexpr std::string_view owner = "user:0123456789abcdef0123456789abcdef";

mode_t mode_of(fs::path const& path)
{
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 0777;
}

std::vector<std::pair<std::string, uint64_t>> list_of(HistoryStore& store)
{
    std::vector<std::pair<std::string, uint64_t>> out;
    for (auto const& entry : store.history_list())
        out.emplace_back(entry.video_id, entry.watched_at_ms);
    return out;
}

std::vector<std::pair<std::string, uint64_t>> list_of(HistoryStore&& store) { return list_of(store); }

std::string random_hex(size_t length, uint32_t seed)
{
    std::mt19937 random(seed);
    static constexpr char digits[] = "0123456789abcdef";
    std::string out(length, '0');
    for (auto& c : out)
        c = digits[random() & 15];
    return out;
}

struct StoreFixture : ::testing::Test {
    ScratchDirectory scratch { "vexa-history-store" };
    fs::path file() const { return HistoryStore::path_for(scratch.path(), owner); }
    HistoryStore open() const { return HistoryStore::open_in(std::string(owner), scratch.path()); }
};

}

TEST_F(StoreFixture, PathIsNamedByTheOwnersBlake3)
{
    EXPECT_EQ(file(), scratch.path() / "kaso" / "vexa" / "history" / (vexa::blake3_hex(owner) + ".automerge"));
    EXPECT_EQ(file().filename().string().size(), 64u + std::string(".automerge").size());
}

TEST_F(StoreFixture, MissingFileOpensNewAndTheFirstActionCreatesItPrivately)
{
    auto store = open();
    EXPECT_TRUE(store.is_persistent());
    EXPECT_FALSE(store.needs_recovery());
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_EQ(store.owner_id(), owner);

    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "v1", 1000)));
    EXPECT_EQ(mode_of(file()), 0600u);
    EXPECT_EQ(mode_of(file().parent_path()), 0700u);
    // Nothing but the file and its lock file beside it.
    std::vector<std::string> names;
    for (auto const& entry : fs::directory_iterator(file().parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { file().filename().string(), file().filename().string() + ".lock" }));

    auto again = open();
    EXPECT_TRUE(again.is_persistent());
    EXPECT_EQ(list_of(again), (std::vector<std::pair<std::string, uint64_t>> { { "v1", 1000 } }));
}

TEST_F(StoreFixture, ZeroByteFileLoadsEmptyAndLooseModeIsFixed)
{
    vexa::testing::write_text(file(), "");
    ASSERT_EQ(::chmod(file().c_str(), 0644), 0);
    auto store = open();
    EXPECT_TRUE(store.is_persistent());
    EXPECT_FALSE(store.needs_recovery());
    EXPECT_TRUE(store.history_list().empty());
    EXPECT_EQ(mode_of(file()), 0600u);
    EXPECT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "v", 5)));
}

TEST_F(StoreFixture, OpenFailuresRequireRecoveryAndLeaveTheFileAlone)
{
    struct Case {
        char const* name;
        std::function<void(fs::path const&)> make;
        std::string error; // empty: Automerge's own load error
        bool needs_root { false };
    };
    std::vector<Case> cases = {
        { "symbolic link", [&](fs::path const& path) {
             vexa::testing::write_text(path.parent_path() / "target", "not read");
             fs::create_symlink(path.parent_path() / "target", path);
         },
            "history target is not a regular file" },
        { "directory", [](fs::path const& path) { fs::create_directories(path); }, "history target is not a regular file" },
        { "FIFO", [](fs::path const& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "history target is not a regular file" },
        { "another owner", [](fs::path const& path) {
             vexa::testing::write_text(path, "x");
             ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
         },
            "history file is not owned by the current user", true },
        { "over 4 MiB", [](fs::path const& path) { vexa::testing::write_text(path, std::string(HistoryStore::max_file_bytes + 1, 'x')); },
            "history file exceeds size limit" },
        { "exactly 4 MiB passes the size checks and fails to load", [](fs::path const& path) { vexa::testing::write_text(path, std::string(HistoryStore::max_file_bytes, 'x')); }, "" },
        { "corrupt", [](fs::path const& path) { vexa::testing::write_text(path, "not an automerge document"); }, "" },
    };
    for (auto const& c : cases) {
        if (c.needs_root && ::geteuid() != 0)
            continue;
        fs::remove_all(scratch.path() / "kaso");
        fs::create_directories(file().parent_path());
        c.make(file());
        auto before_status = fs::symlink_status(file()).type();
        auto before_bytes = fs::is_regular_file(fs::symlink_status(file())) ? vexa::testing::read_text(file()) : std::string();

        LogCapture log("vexa::history_store");
        auto store = open();
        EXPECT_TRUE(store.needs_recovery()) << c.name;
        EXPECT_FALSE(store.is_persistent()) << c.name;
        ASSERT_TRUE(store.recovery_error()) << c.name;
        if (!c.error.empty()) {
            EXPECT_EQ(*store.recovery_error(), c.error) << c.name;
        } else {
            EXPECT_NE(store.recovery_error()->find("magic"), std::string::npos) << c.name << ": " << *store.recovery_error();
        }
        auto text = log.text();
        EXPECT_NE(text.find("warning owner history recovery required; refusing to overwrite existing store path="), std::string::npos) << c.name << ": " << text;
        EXPECT_NE(text.find(kaso::debug_text(*store.recovery_error())), std::string::npos) << c.name;

        // Every later action fails to save and is rolled back.
        EXPECT_FALSE(store.apply_action(OwnerHistoryAction::watch(owner, "v", 5))) << c.name;
        EXPECT_TRUE(store.history_list().empty()) << c.name;
        EXPECT_NE(log.text().find("could not persist owner-local Vexa history error=\"owner history persistence is disabled pending recovery\""), std::string::npos) << c.name;

        EXPECT_EQ(fs::symlink_status(file()).type(), before_status) << c.name;
        if (!before_bytes.empty()) {
            EXPECT_EQ(vexa::testing::read_text(file()), before_bytes) << c.name;
        }
        if (std::string(c.name) == "symbolic link") {
            EXPECT_EQ(vexa::testing::read_text(file().parent_path() / "target"), "not read");
        }
    }
}

TEST_F(StoreFixture, DocumentOfExactlyTheSizeLimitOpens)
{
    // An uncompressed save grows byte for byte with the mutation id: find the length that makes
    // the file exactly 4 MiB.
    auto saved_with = [](size_t length) {
        automerge::Document document;
        OwnerHistoryAction action = OwnerHistoryAction::SetEntry { .video_id = "v", .watched_at_ms = 7, .present = true,
            .mutation_id = std::string(length, 'm') };
        EXPECT_TRUE(vexa::dispatch_history_action_with_context(document, action, action.dispatch_context()));
        return document.save_uncompressed();
    };
    size_t length = HistoryStore::max_file_bytes - 200;
    auto bytes = saved_with(length);
    for (int step = 0; step < 8 && bytes.size() != HistoryStore::max_file_bytes; ++step) {
        length = length + HistoryStore::max_file_bytes - bytes.size();
        bytes = saved_with(length);
    }
    ASSERT_EQ(bytes.size(), HistoryStore::max_file_bytes);
    vexa::testing::write_text(file(), std::string(bytes.begin(), bytes.end()));

    auto store = open();
    EXPECT_TRUE(store.is_persistent()) << store.recovery_error().value_or("");
    EXPECT_EQ(list_of(store), (std::vector<std::pair<std::string, uint64_t>> { { "v", 7 } }));
}

TEST_F(StoreFixture, UninspectablePathDisablesPersistence)
{
    // The history directory is a regular file: the file's status cannot be read (not a directory).
    vexa::testing::write_text(file().parent_path(), "in the way");
    LogCapture log("vexa::history_store");
    auto store = open();
    EXPECT_TRUE(store.needs_recovery());
    EXPECT_FALSE(store.is_persistent());
    EXPECT_NE(log.text().find("could not inspect owner history store; persistence disabled path="), std::string::npos) << log.text();
    EXPECT_EQ(store.recovery_error(), std::optional<std::string>("Not a directory (os error 20)"));
    EXPECT_FALSE(store.apply_action(OwnerHistoryAction::watch(owner, "v", 5)));
    EXPECT_EQ(vexa::testing::read_text(file().parent_path()), "in the way");
}

TEST(HistoryStoreMemory, ActionsApplyAndNothingIsWritten)
{
    ScratchDirectory scratch("vexa-history-memory");
    auto store = HistoryStore::open_in(std::string(owner), std::nullopt);
    EXPECT_FALSE(store.is_persistent());
    EXPECT_FALSE(store.needs_recovery());
    EXPECT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "a", 10)));
    EXPECT_TRUE(store.apply_action(OwnerHistoryAction::clear_all(owner, 20)));
    EXPECT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "b", 30)));
    EXPECT_EQ(list_of(store), (std::vector<std::pair<std::string, uint64_t>> { { "b", 30 } }));
    EXPECT_TRUE(store.persist());
    auto memory = HistoryStore::in_memory();
    EXPECT_TRUE(memory.apply_action(OwnerHistoryAction::watch(owner, "a", 10)));
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

TEST_F(StoreFixture, FailedWriteRollsTheDocumentBack)
{
    auto store = open();
    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "kept", 10)));
    auto saved = store.document().save();
    auto heads = store.document().heads();
    // Something that is not a history file takes the file's place: it must not be overwritten.
    fs::remove(file());
    fs::create_directories(file() / "inside");

    LogCapture log("vexa::history_store");
    EXPECT_FALSE(store.apply_action(OwnerHistoryAction::watch(owner, "lost", 20)));
    EXPECT_NE(log.text().find("warning could not persist owner-local Vexa history error="), std::string::npos) << log.text();
    EXPECT_EQ(store.document().heads(), heads);
    EXPECT_EQ(store.document().save(), saved);
    EXPECT_EQ(list_of(store), (std::vector<std::pair<std::string, uint64_t>> { { "kept", 10 } }));
    EXPECT_TRUE(fs::is_directory(file() / "inside"));

    // Once the path is free again, writing resumes from the rolled-back state.
    fs::remove_all(file());
    EXPECT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "next", 30)));
    EXPECT_EQ(list_of(open()), (std::vector<std::pair<std::string, uint64_t>> { { "next", 30 }, { "kept", 10 } }));
}

TEST_F(StoreFixture, RefusedDispatchIsLoggedAndChangesNothing)
{
    auto store = open();
    LogCapture log("vexa::history_store");
    // A mutation id that is not UTF-8 cannot be written as JSON.
    EXPECT_FALSE(store.apply_action(OwnerHistoryAction::SetEntry { .video_id = "v", .watched_at_ms = 5, .present = true, .mutation_id = "bad\xff" }));
    auto text = log.text();
    EXPECT_NE(text.find("warning refused owner-local Vexa history action error="), std::string::npos) << text;
    EXPECT_NE(text.find("could not encode owner history entry: "), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(StoreFixture, BatchSavesOnceAndRollsBackWhole)
{
    auto store = open();
    std::vector<OwnerHistoryAction> batch = {
        OwnerHistoryAction::watch(owner, "a", 1),
        OwnerHistoryAction::watch(owner, "b", 2),
        OwnerHistoryAction::LegacyMigrationComplete {},
    };
    ASSERT_TRUE(store.apply_actions(batch));
    EXPECT_EQ(list_of(open()), (std::vector<std::pair<std::string, uint64_t>> { { "b", 2 }, { "a", 1 } }));
    EXPECT_TRUE(vexa::read_legacy_migration_flag(open().document()));

    auto file_before = vexa::testing::read_text(file());
    std::vector<OwnerHistoryAction> failing = {
        OwnerHistoryAction::watch(owner, "c", 3),
        OwnerHistoryAction::SetEntry { .video_id = "d", .watched_at_ms = 4, .present = true, .mutation_id = "bad\xff" },
    };
    EXPECT_FALSE(store.apply_actions(failing));
    EXPECT_EQ(list_of(store), (std::vector<std::pair<std::string, uint64_t>> { { "b", 2 }, { "a", 1 } }));
    EXPECT_EQ(vexa::testing::read_text(file()), file_before);
}

TEST_F(StoreFixture, CompactionKeepsNewestEntriesRemovalsOneClearAndTheFlag)
{
    auto store = open();
    std::vector<OwnerHistoryAction> batch;
    // Ten old entries with long mutation ids push the document past 512 KiB; fifty newer ones
    // are what compaction keeps.
    for (int i = 0; i < 10; ++i)
        batch.push_back(OwnerHistoryAction::SetEntry { .video_id = fmt::format("old{:02}", i), .watched_at_ms = 2000u + i, .present = true,
            .mutation_id = random_hex(120000, i) });
    for (int i = 0; i < 50; ++i)
        batch.push_back(OwnerHistoryAction::watch(owner, fmt::format("new{:02}", i), 5000u + i));
    batch.push_back(OwnerHistoryAction::remove(owner, "removed", 4000));
    batch.push_back(OwnerHistoryAction::watch(owner, "hidden", 1000));
    batch.push_back(OwnerHistoryAction::clear_all(owner, 1500));
    batch.push_back(OwnerHistoryAction::clear_all(owner, 1200));
    batch.push_back(OwnerHistoryAction::LegacyMigrationComplete {});
    auto before_actor = store.document().actor_id();
    ASSERT_TRUE(store.apply_actions(batch));

    auto const& document = store.document();
    EXPECT_LT(document.save().size(), HistoryStore::compaction_threshold);
    EXPECT_NE(document.actor_id(), before_actor);
    auto history = vexa::owner_history_map(document);
    auto entries = vexa::resolved_entries(document, history);
    EXPECT_EQ(entries.size(), 51u); // fifty live, one removal
    auto live = vexa::live_entries(document);
    ASSERT_EQ(live.size(), 50u);
    EXPECT_EQ(live.front().video_id, "new49");
    EXPECT_EQ(live.back().video_id, "new00");
    EXPECT_EQ(live.front().record.mutation_id, fmt::format("{}:watch:new49:5049", owner));
    auto removal = vexa::resolve_entry(document, *vexa::map_at(document, *history, "entries"), "removed");
    ASSERT_TRUE(removal);
    EXPECT_FALSE(removal->present);
    auto clears = *vexa::map_at(document, *history, "clears");
    EXPECT_EQ(*document.keys(clears), (std::vector<std::string> { "compacted-clear:1500" }));
    EXPECT_EQ(vexa::latest_clear_ms(document, history), 1500u);
    EXPECT_TRUE(vexa::read_legacy_migration_flag(document));
    // What is on disk is the compacted document.
    EXPECT_EQ(list_of(open()).size(), 50u);
}

TEST_F(StoreFixture, CompactionWithoutClearsWritesNone)
{
    auto store = open();
    std::vector<OwnerHistoryAction> batch;
    for (int i = 0; i < 6; ++i)
        batch.push_back(OwnerHistoryAction::SetEntry { .video_id = fmt::format("v{}", i), .watched_at_ms = 100u + i, .present = true,
            .mutation_id = random_hex(200000, 100 + i) });
    ASSERT_TRUE(store.apply_actions(batch));
    auto history = vexa::owner_history_map(store.document());
    ASSERT_TRUE(history);
    EXPECT_FALSE(vexa::map_at(store.document(), *history, "clears"));
    EXPECT_FALSE(vexa::read_legacy_migration_flag(store.document()));
    EXPECT_EQ(vexa::live_entries(store.document()).size(), 6u);
}

TEST_F(StoreFixture, DocumentOverTheSizeLimitIsNotWritten)
{
    auto store = open();
    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "kept", 1)));
    auto file_before = vexa::testing::read_text(file());
    LogCapture log("vexa::history_store");
    // Random hex deflates to about half: this stays above 4 MiB even after compaction.
    EXPECT_FALSE(store.apply_action(OwnerHistoryAction::SetEntry { .video_id = "huge", .watched_at_ms = 2, .present = true,
        .mutation_id = random_hex(10 << 20, 7) }));
    EXPECT_NE(log.text().find("could not persist owner-local Vexa history error=\"history store exceeds its size limit\""), std::string::npos) << log.text();
    EXPECT_EQ(list_of(store), (std::vector<std::pair<std::string, uint64_t>> { { "kept", 1 } }));
    EXPECT_EQ(vexa::testing::read_text(file()), file_before);
}

TEST_F(StoreFixture, HistoryListFollowsTheDocument)
{
    auto store = open();
    EXPECT_TRUE(store.history_list().empty());
    for (int i = 0; i < 55; ++i)
        ASSERT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, fmt::format("v{:02}", i), 100u + i)));
    auto const& list = store.history_list();
    ASSERT_EQ(list.size(), HistoryStore::history_list_length);
    EXPECT_EQ(list.front().video_id, "v54");
    EXPECT_EQ(&store.history_list(), &list);
    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::remove(owner, "v54", 500)));
    EXPECT_EQ(store.history_list().front().video_id, "v53");
    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::clear_all(owner, 1000)));
    EXPECT_TRUE(store.history_list().empty());
}

TEST_F(StoreFixture, InjectedClockNamesTheActions)
{
    auto store = open();
    uint64_t now = 1700000000000;
    store.set_clock([&] { return now; });
    EXPECT_EQ(store.watch_action("v"), OwnerHistoryAction::watch(owner, "v", now));
    now += 5;
    EXPECT_EQ(store.remove_action("v"), OwnerHistoryAction::remove(owner, "v", now));
    EXPECT_EQ(store.clear_action(), OwnerHistoryAction::clear_all(owner, now));

    // A clock before 1970 reads 0: the watch is stored, never shown, and a warning says so.
    now = 0;
    LogCapture log("vexa::history_store");
    ASSERT_TRUE(store.apply_action(store.watch_action("early")));
    EXPECT_NE(log.text().find("will never be shown"), std::string::npos);
    EXPECT_TRUE(store.history_list().empty());
    EXPECT_TRUE(vexa::resolve_entry(store.document(), *vexa::map_at(store.document(), *vexa::owner_history_map(store.document()), "entries"), "early"));
}
