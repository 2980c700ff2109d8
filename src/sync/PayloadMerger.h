#pragma once

#include <string>
#include <unordered_set>

#include "src/sync/SyncPayload.h"

namespace vexa::sync {

// Gathers what several peers sent in one pass: each address once, first occurrence kept, in
// arrival order. Hash sets keep a pass linear even when peers send lists at their full bounds.
class PayloadMerger {
public:
    void add(SyncPayload const& pulled);
    SyncPayload const& merged() const { return m_merged; }
    SyncPayload take() { return std::move(m_merged); }

private:
    SyncPayload m_merged;
    std::unordered_set<std::string> m_seen_subscriptions;
    std::unordered_set<std::string> m_seen_history;
};

}
