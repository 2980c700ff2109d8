#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "src/history/OwnerHistoryAction.h"

namespace automerge {
class Document;
}

namespace vexa {

class HistoryStore;

// The actions that move the legacy shared history of `owner` (in the library document under
// "vexa" / "private_history" / owner) into the owner-local document: one SetEntry per legacy
// entry watched after the legacy latest clear, named "legacy:" and its own mutation id, then
// LegacyMigrationComplete. An entry is left out when `history` already resolves the video to a
// record at least as great by (watched_at_ms, mutation_id): a late or repeated migration never
// turns a newer local watch into an older one or undoes a local removal. None when the library
// has no legacy map for the owner.
std::optional<std::vector<OwnerHistoryAction>> legacy_migration_actions(automerge::Document const& library, std::string_view owner,
    automerge::Document const& history);

// Runs the migration once per frame at most: not at all once the store records it, nor while the
// store's persistence is disabled, and after a failed attempt not again for a minute. The
// entries and the completion flag are applied as one batch.
class LegacyMigration {
public:
    static constexpr uint64_t retry_after_ms = 60000;

    enum class Outcome {
        AlreadyRecorded,
        Skipped,  // nothing to read, persistence disabled, or waiting after a failure
        Migrated, // the history changed: the frame must rebuild
        Failed,
    };

    Outcome run(HistoryStore& store, automerge::Document const& library);

private:
    std::optional<uint64_t> m_failed_at_ms;
};

}
