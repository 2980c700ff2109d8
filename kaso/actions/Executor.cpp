#include "kaso/actions/Executor.h"

#include <exception>

#include "automerge/Document.h"
#include "automerge/Transaction.h"

namespace kaso::actions::executor {

base::ErrorOr<DispatchOutcome, ActionError> dispatch_by_with_context(automerge::Document& document, DocumentAction const& action,
    EncodedAction const& encoded, std::span<uint8_t const> local_actor, ActionContext const& context)
{
    auto failure = [&](std::string_view what) {
        auto where = context.label.empty() ? action.debug_text() : fmt::format("{} ({})", context.label, action.debug_text());
        return std::unexpected(ActionError { fmt::format("dispatch of {}: {}", where, what) });
    };

    DispatchOutcome outcome;
    outcome.heads_before = document.heads();
    if (!local_actor.empty() && !std::ranges::equal(document.actor_id().bytes(), local_actor)) {
        auto set = document.set_actor_id(automerge::ActorId(std::vector<uint8_t>(local_actor.begin(), local_actor.end())));
        if (!set)
            return failure(set.error().message);
    }
    auto opened = automerge::Transaction::open(document);
    if (!opened)
        return failure(opened.error().message);
    auto transaction = std::move(*opened);

    ErrorOr<void> encoded_result;
    try {
        encoded_result = action.encode(transaction);
    } catch (std::exception const& exception) {
        encoded_result = make_error(fmt::format("the action threw: {}", exception.what()));
    } catch (...) {
        encoded_result = make_error("the action threw");
    }
    if (!encoded_result) {
        transaction.rollback();
        return failure(encoded_result.error().message);
    }

    automerge::CommitOptions options;
    options.message = encoded.kind;
    outcome.change = transaction.commit(options);
    outcome.heads_after = document.heads();
    return outcome;
}

base::ErrorOr<DispatchOutcome, ActionError> dispatch_by(automerge::Document& document, DocumentAction const& action,
    EncodedAction const& encoded, std::span<uint8_t const> local_actor)
{
    return dispatch_by_with_context(document, action, encoded, local_actor, ActionContext {});
}

ActionHost::Dispatcher dispatcher_for(automerge::Document& document)
{
    return [&document](DocumentAction const& action, EncodedAction const& encoded, ActionContext const& context) -> base::ErrorOr<void, ActionError> {
        auto outcome = dispatch_by_with_context(document, action, encoded, {}, context);
        if (!outcome)
            return std::unexpected(outcome.error());
        return {};
    };
}

}
