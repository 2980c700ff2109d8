#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "automerge/Error.h"
#include "automerge/Value.h"
#include "kaso/actions/DocumentAction.h"
#include "src/actions/VexaAction.h"

namespace automerge {
class Transaction;
}

namespace vexa {

// The refusal of the legacy toggle and cycle forms: replayed on another replica, a toggle would
// undo rather than repeat the change, so only absolute values are written.
inline constexpr std::string_view refused_by_document_message = "this Vexa action is not accepted by the shared document";

// Writes the one change an action stands for into the shared library document, under
// "vexa" and the keys the per-frame read takes them from:
//
//   root
//   └─ "vexa"
//      ├─ "likes"          video id → bool
//      ├─ "queue"          video id → bool
//      ├─ "subscriptions"  channel id or creator address → bool
//      ├─ "comment_likes"  comment key → bool
//      ├─ "comment_replies"
//      │   └─ comment key → reply id → text             (ReplyToComment)
//      │   └─ comment id  → reply id → "text", "active" (SetCommentReply)
//      └─ "settings"       flag key → bool, "preferred_quality" → text,
//          └─ "sponsor_categories"  category API id → "skip" | "show" | "disabled"
//
// Refusals (the legacy forms, an unknown quality, a text that is not UTF-8) happen before any
// write. Any error leaves the rest of the transaction to the caller, which rolls it back.
kaso::ErrorOr<void> write_library_action(automerge::Transaction& transaction, VexaAction const& action);

// The map under `key` of `parent`; when the key is absent or holds anything but a map, a new
// empty map is put there (replacing what was there).
automerge::ErrorOr<automerge::ObjId> doc_get_checked(automerge::Transaction& transaction, automerge::ObjId parent, std::string_view key);

// "{text}#{number}": the key of a comment known only by its video and position.
std::string format_indexed_key(std::string_view text, uint64_t number);
// The comment key of the legacy comment actions: the comment id, or the indexed key without one.
std::string comment_key(std::string_view comment_id, std::string_view video_id, uint64_t index);
// "reply-" and 16 lower-case hex digits of FNV-1a 64 over the comment id, one 0xff byte, the text.
std::string comment_reply_id(std::string_view comment_id, std::string_view text);

// A VexaAction as the runtime dispatches it: the executor opens the transaction, this writes.
class LibraryDocumentAction final : public kaso::actions::DocumentAction {
public:
    explicit LibraryDocumentAction(VexaAction action)
        : m_action(std::move(action))
    {
    }

    VexaAction const& action() const { return m_action; }

    std::string debug_text() const override { return m_action.debug_text(); }
    kaso::ErrorOr<void> encode(automerge::Transaction& transaction) const override { return write_library_action(transaction, m_action); }
    bool predicate() const override { return m_action.predicate(); }

private:
    VexaAction m_action;
};

}
