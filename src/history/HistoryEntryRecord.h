#pragma once

#include <cstdint>
#include "base/ErrorOr.h"
#include <string>
#include <string_view>

namespace vexa {

// One stored entry of the history document, kept as JSON text under its video id.
struct HistoryEntryRecord {
    bool present { false };     // false marks a removal
    uint64_t watched_at_ms { 0 }; // epoch ms of the watch or removal
    std::string mutation_id;    // the change that wrote it

    // {"present":…,"watched_at_ms":…,"mutation_id":…}, compact, members in this order. Fails
    // only for a mutation id that is not UTF-8, with the JSON writer's message.
    base::ErrorOr<std::string, std::string> to_json() const;

    // Reads the object form (members in any order, others ignored, each of the three required
    // once) or the array form of the three values in declaration order.
    static base::ErrorOr<HistoryEntryRecord, std::string> parse(std::string_view json);

    bool operator==(HistoryEntryRecord const&) const = default;
};

// The order resolution picks the greatest by: watched_at_ms, then mutation_id byte by byte.
bool resolves_before(HistoryEntryRecord const& a, HistoryEntryRecord const& b);

}
