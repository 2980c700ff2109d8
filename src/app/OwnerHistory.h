#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kaso/actions/ActionHost.h"
#include "src/history/HistoryStore.h"
#include "src/history/LegacyMigration.h"
#include "src/model/VexaModel.h"

namespace automerge {
class Document;
}

namespace vexa {

// The owner-local watch history as the application uses it: the store, the host its changes are
// dispatched through, and the application's changes of it. Each change answers whether the
// store took it; a refusal leaves its notice on the model (`history_notice`) and the model's
// history list as it was. Mutation ids are named by the model's owner. UI thread only.
class OwnerHistory {
public:
    static constexpr char const* recovery_notice
        = "Watch history couldn't be opened. The existing local file was preserved; new history will not save. Restore or "
          "replace it in Vexa's local data folder, then restart.";
    static constexpr char const* save_failed_notice
        = "Watch history could not be saved locally. Your shared library was not changed; retry after checking local storage.";

    // The owner's file under the local data directory (`open_in`: under the one given; none
    // gives a memory-only store).
    static OwnerHistory open(std::string owner_id);
    static OwnerHistory open_in(std::string owner_id, std::optional<std::filesystem::path> const& data_directory);
    // No file: the diagnostic and sample states never open or write the user's history.
    static OwnerHistory in_memory(std::string owner_id = {});

    HistoryStore const& store() const { return m_store; }
    HistoryStore& store() { return m_store; }

    // Applies one action; a refusal sets the model's notice: the recovery notice while the store
    // waits for recovery, the save failure otherwise.
    bool apply_owner_history(OwnerHistoryAction const& action, VexaModel& model);

    // The history changes the application makes, each stamped now. On success the model's list
    // follows at once: a watch moves the video to its front, a removal drops every occurrence
    // of it, a clear empties it. None adds a notice of its own.
    bool record_history(std::string const& video_id, VexaModel& model);
    bool remove_history(std::string const& video_id, VexaModel& model);
    bool clear_history(VexaModel& model);

    // The frame's steps. Moves the legacy shared history of the store's owner out of the library
    // document until the store records that it did (none: nothing to read this frame); answers
    // whether the history changed.
    bool migrate_legacy(automerge::Document const* library, VexaModel& model);
    // Stores the entries that device sync pulled, in one write rolled back whole on failure
    // (which sets the notice as `apply_owner_history` does); answers whether they were stored.
    bool import_entries(std::span<OwnerHistoryAction const> entries, VexaModel& model);
    // Makes the model's history list the store's (newest first, at most 50); answers whether it
    // changed. Costs a comparison of the cached list while the document stays as it was.
    bool refresh_list(VexaModel& model);

private:
    explicit OwnerHistory(HistoryStore store)
        : m_store(std::move(store))
    {
    }

    HistoryStore m_store;
    LegacyMigration m_migration;
    kaso::actions::ActionHost m_dispatch; // the host of "vexa.owner-history.action" dispatches
};

}
