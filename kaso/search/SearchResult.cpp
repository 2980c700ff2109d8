#include "kaso/search/SearchResult.h"

namespace kaso::search {

std::optional<actions::ActionAddress> SearchResult::action_address() const
{
    if (resource.empty() || action.empty())
        return std::nullopt;
    return actions::ActionAddress { resource, action };
}

}
