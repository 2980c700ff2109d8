#include "src/actions/TypedDispatch.h"

#include "automerge/Document.h"
#include "kaso/actions/Identifiers.h"
#include "src/actions/LibraryWriter.h"

namespace vexa {

using kaso::actions::ActionContext;
using kaso::actions::ActionError;
using kaso::actions::EncodedAction;

base::ErrorOr<EncodedAction, ActionError> to_encoded_action(std::string_view kind, VexaAction const& action)
{
    if (!action.texts_are_utf8())
        return std::unexpected(ActionError { fmt::format("encoding {}: {} carries a text that is not valid UTF-8", kind, action.variant_name()) });
    return EncodedAction { std::string(kind), action.to_json_bytes() };
}

base::ErrorOr<EncodedAction, ActionError> to_encoded_action(std::string_view kind, VexaOperation const& operation)
{
    auto bytes = operation.to_json_bytes();
    if (!is_valid_utf8(std::string_view(reinterpret_cast<char const*>(bytes.data()), bytes.size())))
        return std::unexpected(ActionError { fmt::format("encoding {}: {} carries a text that is not valid UTF-8", kind, operation.variant_name()) });
    return EncodedAction { std::string(kind), std::move(bytes) };
}

ActionContext dispatch_request(std::string_view provenance_id, std::string_view title, VexaAction const& action)
{
    auto json = action.to_json_value();
    std::string_view name;
    if (json.is_string())
        name = json.text;
    else if (json.is_object() && json.members.size() == 1)
        name = json.members.front().first;
    auto label = name.empty() ? std::string("Update") : kaso::actions::humanize_identifier(name);
    return ActionContext { std::move(label), std::string(provenance_id), std::string(title) };
}

kaso::ErrorOr<std::unique_ptr<kaso::actions::DocumentAction>> decode_vexa_action(std::string_view kind, std::span<uint8_t const> payload)
{
    auto action = VexaAction::deserialize(std::string_view(reinterpret_cast<char const*>(payload.data()), payload.size()));
    if (!action)
        return kaso::make_error(fmt::format("decoding {}: {}", kind, action.error().message));
    return std::make_unique<LibraryDocumentAction>(std::move(*action));
}

void register_vexa_action_decoder(kaso::actions::ActionRegistry& registry)
{
    registry.insert(std::string(vexa_action_kind), [kind = std::string(vexa_action_kind)](std::span<uint8_t const> payload) {
        return decode_vexa_action(kind, payload);
    });
}

std::optional<base::ErrorOr<VexaOperation, std::string>> decode_operation(std::string_view kind, std::span<uint8_t const> payload)
{
    if (kind != vexa_operation_kind)
        return std::nullopt;
    auto operation = VexaOperation::deserialize(std::string_view(reinterpret_cast<char const*>(payload.data()), payload.size()));
    if (!operation)
        return std::unexpected(std::move(operation.error().message));
    return std::move(*operation);
}

base::ErrorOr<kaso::actions::executor::DispatchOutcome, ActionError> dispatch_vexa_action(automerge::Document& document, VexaAction const& action,
    ActionContext const& context, ActionContext const* host_context)
{
    auto encoded = to_encoded_action(vexa_action_kind, action);
    if (!encoded)
        return std::unexpected(encoded.error());
    auto actor = document.actor_id().bytes();
    std::vector<uint8_t> actor_bytes(actor.begin(), actor.end());
    auto full_context = host_context ? context.enriched_by(*host_context) : context;
    LibraryDocumentAction document_action(action);
    return kaso::actions::executor::dispatch_by_with_context(document, document_action, *encoded, actor_bytes, full_context);
}

base::ErrorOr<void, ActionError> dispatch_vexa_action(kaso::actions::ActionHost& host, kaso::actions::LibraryStore& store, VexaAction const& action,
    ActionContext const& context)
{
    auto encoded = to_encoded_action(vexa_action_kind, action);
    if (!encoded)
        return std::unexpected(encoded.error());
    return host.dispatch_onto(store, LibraryDocumentAction(action), *encoded, context);
}

}
