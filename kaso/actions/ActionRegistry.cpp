#include "kaso/actions/ActionRegistry.h"

namespace kaso::actions {

void ActionRegistry::insert(std::string kind, ActionDecoder decoder) { m_decoders.insert_or_assign(std::move(kind), std::move(decoder)); }

bool ActionRegistry::contains(std::string_view kind) const { return m_decoders.find(kind) != m_decoders.end(); }

std::vector<std::string> ActionRegistry::kinds() const
{
    std::vector<std::string> kinds;
    for (auto const& [kind, decoder] : m_decoders)
        kinds.push_back(kind);
    return kinds;
}

ErrorOr<std::unique_ptr<DocumentAction>> ActionRegistry::decode(std::string_view kind, std::span<uint8_t const> payload) const
{
    auto found = m_decoders.find(kind);
    if (found == m_decoders.end())
        return make_error(fmt::format("action registry: unknown action kind {}", debug_text(kind)));
    return found->second(payload);
}

}
