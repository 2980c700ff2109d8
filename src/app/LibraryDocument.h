#pragma once

#include "kaso/actions/ActionHost.h"
#include "src/actions/UiAction.h"
#include "src/model/VexaModel.h"

namespace automerge {
class Document;
}

namespace vexa {

// The application's side of the shared library document (likes, queue, subscriptions and
// settings): read into the model at the start of every frame, and changed only through typed
// dispatches. The runtime owns the document and passes it to each call; nothing here keeps it.
// A change acts twice: the dispatch here, and the local echo that the caller applies to the model
// whether or not the dispatch was accepted; the next read settles the model.
class LibraryDocument {
public:
    // Copies what the document holds into the model; answers whether anything shown changed.
    // Without a document nothing is read.
    bool read(automerge::Document const* document, VexaModel& model);
    // Dispatches the library change that `action` makes, for the UI actions that change the
    // library (subscriptions, likes, settings, segment modes, quality); others dispatch nothing.
    void dispatch(automerge::Document const* document, UiAction const& action, VexaModel const& model);

    kaso::actions::ActionHost& host() { return m_host; }

private:
    kaso::actions::ActionHost m_host; // the runtime's host for "vexa.action" dispatches
};

}
