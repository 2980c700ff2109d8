#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automerge/ChangeHash.h"
#include "base/ErrorOr.h"
#include "kaso/actions/DocumentAction.h"
#include "kaso/actions/EncodedAction.h"

namespace kaso::actions {

class LibraryStore;

// A failed dispatch, with the text shown to the user.
struct ActionError {
    std::string message;
    std::string const& display() const { return message; }
};

// Where an action came from: a label, and the resource it was invoked on.
struct ActionContext {
    std::string label;
    std::string resource_id;
    std::string resource_title;

    // This context with every empty part filled from `other` (the host's own context): what
    // the caller said wins, what it left out the host supplies.
    ActionContext enriched_by(ActionContext const& other) const;

    bool operator==(ActionContext const&) const = default;
};

// Dispatches typed actions onto a document. The host is made with all its optional parts
// absent; the document it dispatches onto is attached by whoever owns that document. Without
// one, every dispatch fails and changes nothing.
class ActionHost {
public:
    // What the last accepted dispatch through the host did: its kind, its context and the
    // document's heads around it.
    struct DispatchRecord {
        std::string kind;
        ActionContext context;
        std::vector<automerge::ChangeHash> heads_before;
        std::vector<automerge::ChangeHash> heads_after;
    };

    using Dispatcher = std::function<base::ErrorOr<void, ActionError>(DocumentAction const&, EncodedAction const&, ActionContext const&)>;

    bool has_dispatcher() const { return static_cast<bool>(m_dispatcher); }
    void set_dispatcher(Dispatcher dispatcher) { m_dispatcher = std::move(dispatcher); }

    base::ErrorOr<void, ActionError> dispatch_with_context(DocumentAction const& action, EncodedAction const& encoded,
        ActionContext const& context) const;

    // Dispatches onto the document of the store handed to this call (nothing keeps the store, so
    // a store that replaces its document is never reached through a stale reference). The
    // caller's context is enriched by the host's own when it has one. A failure leaves the
    // document, the store's file and the host's record as they were.
    base::ErrorOr<void, ActionError> dispatch_onto(LibraryStore& store, DocumentAction const& action, EncodedAction const& encoded,
        ActionContext const& context);

    void set_context(ActionContext context) { m_context = std::move(context); }
    std::optional<DispatchRecord> const& last_dispatch() const { return m_last_dispatch; }

private:
    Dispatcher m_dispatcher;
    std::optional<ActionContext> m_context;
    std::optional<DispatchRecord> m_last_dispatch;
};

}
