#include "src/history/HistoryEntryRecord.h"

#include <algorithm>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace vexa {

namespace {

using Json = nlohmann::json;
// The JSON reader's flag: a failed parse gives a discarded value instead of throwing.
constexpr bool allow_exceptions = false;

// Whether the record's own object names one member twice: the strict reader refuses that
// rather than letting the last one silently win. Members of nested values are not looked at.
bool has_duplicate_member(std::string_view json)
{
    bool duplicate = false;
    std::vector<std::string> seen;
    auto callback = [&](int depth, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::key && depth == 1 && parsed.is_string()) {
            auto key = parsed.get<std::string>();
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                duplicate = true;
            seen.push_back(std::move(key));
        }
        return true;
    };
    auto parsed = Json::parse(json.begin(), json.end(), callback, allow_exceptions);
    return duplicate;
}

base::ErrorOr<HistoryEntryRecord, std::string> from_values(Json const& present, Json const& watched, Json const& mutation)
{
    if (!present.is_boolean())
        return std::unexpected(fmt::format("invalid type: {}, expected a boolean", present.type_name()));
    if (!watched.is_number_unsigned())
        return std::unexpected(fmt::format("invalid type: {}, expected u64", watched.type_name()));
    if (!mutation.is_string())
        return std::unexpected(fmt::format("invalid type: {}, expected a string", mutation.type_name()));
    return HistoryEntryRecord { present.get<bool>(), watched.get<uint64_t>(), mutation.get<std::string>() };
}

}

base::ErrorOr<std::string, std::string> HistoryEntryRecord::to_json() const
{
    nlohmann::ordered_json json;
    json["present"] = present;
    json["watched_at_ms"] = watched_at_ms;
    json["mutation_id"] = mutation_id;
    try {
        return json.dump();
    } catch (nlohmann::json::exception const& error) {
        return std::unexpected(std::string(error.what()));
    }
}

base::ErrorOr<HistoryEntryRecord, std::string> HistoryEntryRecord::parse(std::string_view text)
{
    auto json = Json::parse(text.begin(), text.end(), nullptr, allow_exceptions);
    if (json.is_discarded())
        return std::unexpected(std::string("not JSON"));
    if (json.is_array()) {
        if (json.size() != 3)
            return std::unexpected(fmt::format("invalid length {}, expected struct HistoryEntryRecord with 3 elements", json.size()));
        return from_values(json[0], json[1], json[2]);
    }
    if (!json.is_object())
        return std::unexpected(fmt::format("invalid type: {}, expected struct HistoryEntryRecord", json.type_name()));
    for (auto const* member : { "present", "watched_at_ms", "mutation_id" }) {
        if (!json.contains(member))
            return std::unexpected(fmt::format("missing field `{}`", member));
    }
    if (has_duplicate_member(text))
        return std::unexpected(std::string("duplicate field"));
    return from_values(json["present"], json["watched_at_ms"], json["mutation_id"]);
}

bool resolves_before(HistoryEntryRecord const& a, HistoryEntryRecord const& b)
{
    if (a.watched_at_ms != b.watched_at_ms)
        return a.watched_at_ms < b.watched_at_ms;
    return a.mutation_id < b.mutation_id;
}

}
