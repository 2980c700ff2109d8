#pragma once

#include <string>

#include "kaso/actions/ActionHost.h"
#include "src/history/HistoryStore.h"
#include "src/model/VexaModel.h"

namespace automerge {
class Document;
}

namespace vexa {

// The owner-local watch history as the application uses it: the store, the host its changes are
// dispatched through, and the application's changes of it. Each change answers whether the
// store took it; a refusal leaves its notice on the model.
class OwnerHistory {
public:
    static constexpr char const* recovery_notice
        = "Watch history couldn't be opened. The existing local file was preserved; new history will not save. Restore or "
          "replace it in Vexa's local data folder, then restart.";

    static OwnerHistory open(std::string owner_id);
    // No file: the diagnostic and sample states never write the user's history.
    static OwnerHistory in_memory();

    HistoryStore const& store() const { return m_store; }

    // Records that the video was opened now.
    bool record_watched(std::string const& video_id, VexaModel& model);
    // Clears the whole history of the model's owner.
    bool clear(VexaModel& model);
    // Moves the legacy shared history of the model's owner out of the library document, until
    // the store records that it did; answers whether anything was moved.
    bool migrate_legacy(automerge::Document const* library, VexaModel& model);
    // Rebuilds the model's history list from the store; answers whether the list changed.
    bool refresh_list(VexaModel& model);

private:
    explicit OwnerHistory(HistoryStore store)
        : m_store(std::move(store))
    {
    }

    HistoryStore m_store;
    kaso::actions::ActionHost m_dispatch; // the host of "vexa.owner-history.action" dispatches
};

}
