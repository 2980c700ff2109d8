#pragma once

#include <optional>
#include <span>
#include <vector>

#include "automerge/ChangeHash.h"
#include "kaso/actions/ActionHost.h"
#include "kaso/actions/DocumentAction.h"
#include "kaso/actions/EncodedAction.h"

namespace automerge {
class Document;
}

namespace kaso::actions::executor {

// What a dispatch did to the document: its heads before and after, and the change it made
// (none when the action wrote nothing new).
struct DispatchOutcome {
    std::vector<automerge::ChangeHash> heads_before;
    std::vector<automerge::ChangeHash> heads_after;
    std::optional<automerge::ChangeHash> change;
};

// Dispatches one action onto a document, the transactional dispatch of the runtime: opens a
// transaction, lets the action encode itself into it, and commits it; any error (from the
// action, or an exception it lets escape) rolls the transaction back, so a failed dispatch leaves
// the document's values, heads and saved bytes unchanged. With `local_actor` given (not empty),
// the change is written under that actor. The change's message is the encoded action's kind.
base::ErrorOr<DispatchOutcome, ActionError> dispatch_by_with_context(automerge::Document& document, DocumentAction const& action,
    EncodedAction const& encoded, std::span<uint8_t const> local_actor, ActionContext const& context);

base::ErrorOr<DispatchOutcome, ActionError> dispatch_by(automerge::Document& document, DocumentAction const& action,
    EncodedAction const& encoded, std::span<uint8_t const> local_actor = {});

// A dispatcher for ActionHost::set_dispatcher that dispatches onto `document`, which must
// outlive the host's use of it.
ActionHost::Dispatcher dispatcher_for(automerge::Document& document);

}
