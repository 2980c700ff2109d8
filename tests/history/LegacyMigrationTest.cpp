// Moving the legacy shared history out of the library document into the owner-local store.

#include <gtest/gtest.h>

#include "automerge/Document.h"
#include "src/history/HistoryReaders.h"
#include "src/history/HistoryStore.h"
#include "src/history/LegacyMigration.h"
#include "tests/history/Support.h"

namespace fs = std::filesystem;
using automerge::Document;
using automerge::ScalarValue;
using vexa::HistoryStore;
using vexa::LegacyMigration;
using vexa::OwnerHistoryAction;

namespace {

constexpr std::string_view owner = "user:1111";

automerge::ObjId ensure(Document& document, automerge::ObjId parent, std::string_view key)
{
    if (auto existing = vexa::map_at(document, parent, key))
        return *existing;
    return *document.put_object(parent, key, automerge::ObjType::Map);
}

// A library document with a legacy map for `owner`, entries and clears as given.
Document library_with(std::vector<std::tuple<std::string, bool, uint64_t>> const& entries, std::vector<uint64_t> const& clears)
{
    Document library;
    auto legacy = ensure(library, ensure(library, ensure(library, automerge::ROOT, "vexa"), "private_history"), owner);
    auto entry_map = ensure(library, legacy, "entries");
    auto clear_map = ensure(library, legacy, "clears");
    for (auto const& [video, present, at] : entries)
        EXPECT_TRUE(library.put(entry_map, video, ScalarValue::str(*vexa::HistoryEntryRecord { present, at, "m-" + video }.to_json())));
    for (auto at : clears)
        EXPECT_TRUE(library.put(clear_map, fmt::format("c{}", at), ScalarValue::str(std::to_string(at))));
    return library;
}

std::optional<vexa::HistoryEntryRecord> local(HistoryStore const& store, std::string const& video)
{
    auto history = vexa::owner_history_map(store.document());
    auto entries = history ? vexa::map_at(store.document(), *history, "entries") : std::nullopt;
    return entries ? vexa::resolve_entry(store.document(), *entries, video) : std::nullopt;
}

}

TEST(LegacyMigration, MissingLegacyMapIsLookedAtAgainAndEmptyOneIsRecorded)
{
    auto store = HistoryStore::open_in(std::string(owner), std::nullopt);
    LegacyMigration migration;
    Document nothing;
    EXPECT_EQ(migration.run(store, nothing), LegacyMigration::Outcome::Skipped);
    EXPECT_FALSE(vexa::read_legacy_migration_flag(store.document()));

    auto empty = library_with({}, {});
    EXPECT_EQ(migration.run(store, empty), LegacyMigration::Outcome::Migrated);
    EXPECT_TRUE(vexa::read_legacy_migration_flag(store.document()));
    EXPECT_EQ(migration.run(store, empty), LegacyMigration::Outcome::AlreadyRecorded);
}

TEST(LegacyMigration, CopiesEntriesAfterTheLegacyClearAndKeepsNewerLocalRecords)
{
    auto store = HistoryStore::open_in(std::string(owner), std::nullopt);
    // Local state before the migration.
    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "newer-local", 9000)));
    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::remove(owner, "removed-local", 9000)));
    ASSERT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, "older-local", 10)));

    auto library = library_with({
                                    { "at-clear", true, 1000 },
                                    { "after-clear", true, 1001 },
                                    { "removed", false, 2000 },
                                    { "newer-local", true, 5000 },
                                    { "removed-local", true, 5000 },
                                    { "older-local", true, 5000 },
                                },
        { 1000, 400 });
    LegacyMigration migration;
    ASSERT_EQ(migration.run(store, library), LegacyMigration::Outcome::Migrated);

    struct Expectation {
        std::string video;
        std::optional<vexa::HistoryEntryRecord> record;
    };
    std::vector<Expectation> expected = {
        { "at-clear", std::nullopt },
        { "after-clear", vexa::HistoryEntryRecord { true, 1001, "legacy:m-after-clear" } },
        { "removed", vexa::HistoryEntryRecord { false, 2000, "legacy:m-removed" } },
        { "newer-local", vexa::HistoryEntryRecord { true, 9000, fmt::format("{}:watch:newer-local:9000", owner) } },
        { "removed-local", vexa::HistoryEntryRecord { false, 9000, fmt::format("{}:remove:removed-local:9000", owner) } },
        { "older-local", vexa::HistoryEntryRecord { true, 5000, "legacy:m-older-local" } },
    };
    for (auto const& e : expected)
        EXPECT_EQ(local(store, e.video), e.record) << e.video;
    EXPECT_TRUE(vexa::read_legacy_migration_flag(store.document()));

    // Run again from a fresh store state: nothing already there is rewritten.
    auto repeat = vexa::legacy_migration_actions(library, owner, store.document());
    ASSERT_TRUE(repeat);
    EXPECT_EQ(*repeat, (std::vector<OwnerHistoryAction> { OwnerHistoryAction::LegacyMigrationComplete {} }));
}

TEST(LegacyMigration, SkippedPendingRecoveryAndRetriedOnceAMinuteAfterAFailure)
{
    vexa::testing::ScratchDirectory scratch("vexa-history-migration");
    auto library = library_with({ { "v", true, 5 } }, {});
    auto path = HistoryStore::path_for(scratch.path(), owner);

    vexa::testing::write_text(path, "corrupt");
    auto refused = HistoryStore::open_in(std::string(owner), scratch.path());
    ASSERT_TRUE(refused.needs_recovery());
    LegacyMigration idle;
    EXPECT_EQ(idle.run(refused, library), LegacyMigration::Outcome::Skipped);

    fs::remove(path);
    auto store = HistoryStore::open_in(std::string(owner), scratch.path());
    uint64_t now = 1000000;
    store.set_clock([&] { return now; });
    fs::create_directories(path / "blocked"); // every write fails
    LegacyMigration migration;
    EXPECT_EQ(migration.run(store, library), LegacyMigration::Outcome::Failed);
    now += 30000;
    EXPECT_EQ(migration.run(store, library), LegacyMigration::Outcome::Skipped);
    now += 31000;
    EXPECT_EQ(migration.run(store, library), LegacyMigration::Outcome::Failed);
    fs::remove_all(path);
    now += 61000;
    EXPECT_EQ(migration.run(store, library), LegacyMigration::Outcome::Migrated);
    EXPECT_TRUE(local(HistoryStore::open_in(std::string(owner), scratch.path()), "v"));
}
