#include "kaso/actions/ActionHost.h"

#include "kaso/actions/LibraryStore.h"

namespace kaso::actions {

ActionContext ActionContext::enriched_by(ActionContext const& other) const
{
    auto pick = [](std::string const& own, std::string const& fallback) { return own.empty() ? fallback : own; };
    return ActionContext { pick(label, other.label), pick(resource_id, other.resource_id), pick(resource_title, other.resource_title) };
}

base::ErrorOr<void, ActionError> ActionHost::dispatch_with_context(DocumentAction const& action, EncodedAction const& encoded,
    ActionContext const& context) const
{
    if (!m_dispatcher)
        return std::unexpected(ActionError { fmt::format("action host: no document to dispatch {} onto", action.debug_text()) });
    return m_dispatcher(action, encoded, context);
}

base::ErrorOr<void, ActionError> ActionHost::dispatch_onto(LibraryStore& store, DocumentAction const& action, EncodedAction const& encoded,
    ActionContext const& context)
{
    auto full_context = m_context ? context.enriched_by(*m_context) : context;
    auto outcome = store.dispatch(action, encoded, full_context);
    if (!outcome)
        return std::unexpected(std::move(outcome.error()));
    m_last_dispatch = DispatchRecord { encoded.kind, std::move(full_context), std::move(outcome->heads_before), std::move(outcome->heads_after) };
    return {};
}

}
