#include "kaso/actions/ActionHost.h"

namespace kaso::actions {

std::expected<void, ActionError> ActionHost::dispatch_with_context(DocumentAction const& action, EncodedAction const& encoded,
    ActionContext const& context) const
{
    if (!m_dispatcher)
        return std::unexpected(ActionError { fmt::format("action host: no document to dispatch {} onto", action.debug_text()) });
    return m_dispatcher(action, encoded, context);
}

}
