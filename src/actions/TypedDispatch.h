#pragma once

#include "base/ErrorOr.h"
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kaso/actions/ActionHost.h"
#include "kaso/actions/ActionRegistry.h"
#include "kaso/actions/EncodedAction.h"
#include "kaso/actions/Executor.h"
#include "src/actions/VexaAction.h"
#include "src/actions/VexaOperation.h"

namespace automerge {
class Document;
}

namespace vexa {

// The action kinds Vexa gives the runtime.
inline constexpr std::string_view vexa_action_kind = "vexa.action";
inline constexpr std::string_view vexa_operation_kind = "vexa.operation";
inline constexpr std::string_view owner_history_action_kind = "vexa.owner-history.action";

// The application's provenance identifier and the titles of the callers that dispatch.
inline constexpr std::string_view vexa_provenance_id = "io.vexa.Vexa";
inline constexpr std::string_view vexa_provenance_title = "Vexa";
inline constexpr std::string_view device_sync_import_title = "Vexa device sync import";
inline constexpr std::string_view owner_history_title = "Vexa owner-local history";

// The action as it crosses the runtime: the kind and the action's JSON bytes. A text that is not
// UTF-8 cannot be written as JSON faithfully, so it is an encoding error.
base::ErrorOr<kaso::actions::EncodedAction, kaso::actions::ActionError> to_encoded_action(std::string_view kind, VexaAction const& action);
base::ErrorOr<kaso::actions::EncodedAction, kaso::actions::ActionError> to_encoded_action(std::string_view kind, VexaOperation const& operation);

// The context of a dispatch: the label is the humanized variant name ("Set video liked"), or
// "Update" when the action has none; the provenance is the identifier and title given.
kaso::actions::ActionContext dispatch_request(std::string_view provenance_id, std::string_view title, VexaAction const& action);

// The registry's decoder of "vexa.action" payloads: the action boxed as a document action, or
// an error naming the kind and carrying the JSON reader's message.
kaso::ErrorOr<std::unique_ptr<kaso::actions::DocumentAction>> decode_vexa_action(std::string_view kind, std::span<uint8_t const> payload);
// Binds "vexa.action" to its decoder, replacing an earlier one.
void register_vexa_action_decoder(kaso::actions::ActionRegistry& registry);

// None when `kind` is not exactly "vexa.operation" (the action is not the application's);
// else the operation, or the reader's error message.
std::optional<base::ErrorOr<VexaOperation, std::string>> decode_operation(std::string_view kind, std::span<uint8_t const> payload);

// Dispatches an action onto the document it is handed, in one transaction of the executor,
// written under the document's own actor. The caller's context is enriched by the host's when
// one is given. A failed encoding or a refusal leaves the document untouched.
base::ErrorOr<kaso::actions::executor::DispatchOutcome, kaso::actions::ActionError> dispatch_vexa_action(automerge::Document& document,
    VexaAction const& action, kaso::actions::ActionContext const& context, kaso::actions::ActionContext const* host_context = nullptr);

// Dispatches an action through `host` onto the runtime's library store handed to the call, which
// writes its file after a change. Any failure (encoding, refusal, the write) leaves the document
// and the file as they were and is returned.
base::ErrorOr<void, kaso::actions::ActionError> dispatch_vexa_action(kaso::actions::ActionHost& host, kaso::actions::LibraryStore& store,
    VexaAction const& action, kaso::actions::ActionContext const& context);

}
