#include "src/sync/PayloadMerger.h"

namespace vexa::sync {

void PayloadMerger::add(SyncPayload const& pulled)
{
    for (auto const& address : pulled.subscriptions) {
        if (m_seen_subscriptions.insert(address).second)
            m_merged.subscriptions.push_back(address);
    }
    for (auto const& address : pulled.history) {
        if (m_seen_history.insert(address).second)
            m_merged.history.push_back(address);
    }
}

}
