#include "src/history/HistoryReaders.h"

#include <algorithm>
#include <charconv>

#include "automerge/Document.h"

namespace vexa {

std::optional<automerge::ObjId> map_at(automerge::Document const& document, automerge::ObjId parent, std::string_view key)
{
    auto value = document.get(parent, key);
    if (!value || !*value || !(*value)->is_map())
        return std::nullopt;
    return (*value)->object;
}

std::optional<automerge::ObjId> owner_history_map(automerge::Document const& document)
{
    return map_at(document, automerge::ROOT, "owner_history");
}

std::optional<uint64_t> parse_decimal_u64(std::string_view text)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<uint64_t> clear_time(automerge::Document const& document, automerge::ObjId clears, std::string_view key)
{
    auto values = document.get_all(clears, key);
    if (!values)
        return std::nullopt;
    std::optional<uint64_t> best;
    for (auto const& value : *values) {
        auto const* scalar = value.as_scalar();
        auto const* text = scalar ? scalar->as_str() : nullptr;
        if (!text)
            continue;
        if (auto time = parse_decimal_u64(*text); time && (!best || *time > *best))
            best = time;
    }
    return best;
}

uint64_t latest_clear_ms(automerge::Document const& document, std::optional<automerge::ObjId> history)
{
    if (!history)
        return 0;
    auto clears = map_at(document, *history, "clears");
    if (!clears)
        return 0;
    auto keys = document.keys(*clears);
    if (!keys)
        return 0;
    uint64_t latest = 0;
    for (auto const& key : *keys)
        latest = std::max(latest, clear_time(document, *clears, key).value_or(0));
    return latest;
}

std::optional<HistoryEntryRecord> resolve_entry(automerge::Document const& document, automerge::ObjId entries, std::string_view key)
{
    auto values = document.get_all(entries, key);
    if (!values)
        return std::nullopt;
    std::optional<HistoryEntryRecord> best;
    for (auto const& value : *values) {
        auto const* scalar = value.as_scalar();
        auto const* text = scalar ? scalar->as_str() : nullptr;
        if (!text)
            continue;
        auto record = HistoryEntryRecord::parse(*text);
        if (record && (!best || !resolves_before(*record, *best)))
            best = std::move(*record);
    }
    return best;
}

std::vector<ResolvedEntry> resolved_entries(automerge::Document const& document, std::optional<automerge::ObjId> history)
{
    std::vector<ResolvedEntry> out;
    if (!history)
        return out;
    auto entries = map_at(document, *history, "entries");
    if (!entries)
        return out;
    auto keys = document.keys(*entries);
    if (!keys)
        return out;
    for (auto& key : *keys) {
        if (auto record = resolve_entry(document, *entries, key))
            out.push_back(ResolvedEntry { std::move(key), std::move(*record) });
    }
    return out;
}

void sort_newest_first(std::vector<ResolvedEntry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](ResolvedEntry const& a, ResolvedEntry const& b) {
        if (a.record.watched_at_ms != b.record.watched_at_ms)
            return a.record.watched_at_ms > b.record.watched_at_ms;
        return a.video_id < b.video_id;
    });
}

std::vector<ResolvedEntry> live_entries(automerge::Document const& document, size_t limit)
{
    auto history = owner_history_map(document);
    auto cleared = latest_clear_ms(document, history);
    auto entries = resolved_entries(document, history);
    std::erase_if(entries, [&](ResolvedEntry const& entry) { return !entry.record.present || entry.record.watched_at_ms <= cleared; });
    sort_newest_first(entries);
    if (entries.size() > limit)
        entries.resize(limit);
    return entries;
}

bool read_legacy_migration_flag(automerge::Document const& document)
{
    auto history = owner_history_map(document);
    if (!history)
        return false;
    auto value = document.get(*history, "legacy_shared_migration_v1");
    if (!value || !*value)
        return false;
    auto const* scalar = (*value)->as_scalar();
    return scalar && scalar->as_bool().value_or(false);
}

}
