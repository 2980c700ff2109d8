#pragma once

#include <string>

namespace vexa {

// The owner-local watch history. This store keeps its entries in memory only: nothing is
// written, and it never starts in the recovery state.
class HistoryStore {
public:
    static HistoryStore open(std::string owner_id);
    static HistoryStore in_memory();

    std::string const& owner_id() const { return m_owner_id; }
    bool is_persistent() const { return false; }
    // Persistence is disabled until the user restores or replaces an unreadable file.
    bool needs_recovery() const { return m_needs_recovery; }

private:
    std::string m_owner_id;
    bool m_needs_recovery { false };
};

}
