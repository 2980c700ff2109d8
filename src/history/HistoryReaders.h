#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automerge/Value.h"
#include "src/history/HistoryEntryRecord.h"

namespace automerge {
class Document;
}

namespace vexa {

// The read rules every reader of a history map shares (the owner-local "owner_history" map, and
// the legacy shared history laid out the same way). Readers never fail: values of the wrong
// kind and read errors count as absent.

struct ResolvedEntry {
    std::string video_id;
    HistoryEntryRecord record;
};

// The map under `key` of `parent`, when the key's value is a map.
std::optional<automerge::ObjId> map_at(automerge::Document const& document, automerge::ObjId parent, std::string_view key);
// "owner_history" of the root, when it is a map.
std::optional<automerge::ObjId> owner_history_map(automerge::Document const& document);

// The time of one clear key: the largest of its concurrent values that is a text of decimal
// digits fitting 64 bits unsigned.
std::optional<uint64_t> clear_time(automerge::Document const& document, automerge::ObjId clears, std::string_view key);
// The largest clear time under "clears" of the history map; 0 when there is none.
uint64_t latest_clear_ms(automerge::Document const& document, std::optional<automerge::ObjId> history);

// The record of one entry key over all its concurrent values: the greatest readable one by
// (watched_at_ms, mutation_id), a later value in the document's order winning a tie.
std::optional<HistoryEntryRecord> resolve_entry(automerge::Document const& document, automerge::ObjId entries, std::string_view key);
// Every key of "entries" with its resolved record, in key order.
std::vector<ResolvedEntry> resolved_entries(automerge::Document const& document, std::optional<automerge::ObjId> history);

// Live entries: present and watched strictly after the latest clear, newest first (equal times
// by video id ascending), at most `limit`.
std::vector<ResolvedEntry> live_entries(automerge::Document const& document, size_t limit = SIZE_MAX);

// Whether "owner_history" holds "legacy_shared_migration_v1" as the boolean true.
bool read_legacy_migration_flag(automerge::Document const& document);

// Newest first, equal times by video id ascending: the order of the history list.
void sort_newest_first(std::vector<ResolvedEntry>& entries);

// Parses an unsigned 64-bit decimal number: digits only, no sign, no spaces.
std::optional<uint64_t> parse_decimal_u64(std::string_view text);

}
