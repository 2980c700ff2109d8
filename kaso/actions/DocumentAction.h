#pragma once

#include <string>

#include "kaso/platform/Error.h"

namespace automerge {
class Transaction;
}

namespace kaso::actions {

// An action that changes a document. The executor opens a transaction, hands it to `encode`,
// and commits it only when `encode` succeeds; any error rolls the whole transaction back, so a
// failed action leaves the document as it was.
class DocumentAction {
public:
    virtual ~DocumentAction() = default;

    // The action's debug text, for logs and error messages.
    virtual std::string debug_text() const = 0;

    // Applies the action to the document inside the open transaction.
    virtual ErrorOr<void> encode(automerge::Transaction& transaction) const = 0;

    // The action's predicate flag: whether it only asserts state rather than changing it.
    virtual bool predicate() const { return false; }
};

}
