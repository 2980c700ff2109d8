#pragma once

#include <optional>

#include "kaso/actions/ActionHost.h"
#include "src/actions/LibraryReader.h"
#include "src/actions/UiAction.h"
#include "src/actions/VexaAction.h"
#include "src/model/VexaModel.h"

namespace automerge {
class Document;
}

namespace kaso::actions {
class LibraryStore;
}

namespace vexa {

// The application's side of the shared library document (likes, queue, subscriptions and
// settings): read into the model at the start of every frame, and changed only through typed
// dispatches onto the runtime's library store. The runtime owns the store and its document and
// passes them to each call; nothing here keeps either.
//
// A change acts twice: the dispatch here, and the local echo that the caller applies to the model
// whether or not the dispatch was accepted; the next read settles the model.
class LibraryDocument {
public:
    // Copies what the document holds into the model; answers whether anything shown changed.
    // Without a document nothing is read.
    bool read(automerge::Document const* document, VexaModel& model);

    // The library change a UI action stands for, with the absolute value it sets as the model
    // shows it now; none for the actions that leave the library alone (or carry a value the
    // library cannot hold).
    static std::optional<VexaAction> library_action_for(UiAction const& action, VexaModel const& model);

    // Dispatches the library change that `action` makes (see `library_action_for`); a failure is
    // logged. Without a store the change cannot be kept, which is logged too.
    void dispatch(kaso::actions::LibraryStore* store, UiAction const& action, VexaModel const& model);
    // Dispatches one library action; answers whether the store took it.
    bool dispatch(kaso::actions::LibraryStore* store, VexaAction const& action);

    // Puts the store's notice (the library file was moved aside, or cannot be written) on the
    // model, once in the application's life; answers whether a notice was added.
    bool tell_store_notice(kaso::actions::LibraryStore const* store, VexaModel& model);

    kaso::actions::ActionHost& host() { return m_host; }
    kaso::actions::ActionHost const& host() const { return m_host; }

private:
    LibraryReader m_reader;
    kaso::actions::ActionHost m_host; // the host of "vexa.action" dispatches
    bool m_notice_told { false };
};

}
