#include "src/history/OwnerHistoryAction.h"

#include <fmt/format.h>

#include "automerge/Transaction.h"
#include "kaso/actions/Executor.h"
#include "src/history/HistoryEntryRecord.h"

namespace vexa {

namespace {

// The JSON writer's flag: text outside ASCII is written as UTF-8, not as \u escapes.
constexpr bool ensure_ascii = false;

kaso::Error document_error(automerge::Error const& error) { return kaso::Error { error.message }; }

// The map under `key` in `parent`, put there new (replacing whatever was there) when the key
// holds anything else.
kaso::ErrorOr<automerge::ObjId> ensure_map(automerge::Transaction& transaction, automerge::ObjId parent, std::string_view key)
{
    auto existing = transaction.get(parent, key);
    if (!existing)
        return std::unexpected(document_error(existing.error()));
    if (*existing && (*existing)->is_map())
        return (*existing)->object;
    auto made = transaction.put_object(parent, key, automerge::ObjType::Map);
    if (!made)
        return std::unexpected(document_error(made.error()));
    return *made;
}

kaso::ErrorOr<void> put(automerge::Transaction& transaction, automerge::ObjId obj, std::string_view key, automerge::ScalarValue value)
{
    auto done = transaction.put(obj, key, std::move(value));
    if (!done)
        return std::unexpected(document_error(done.error()));
    return {};
}

}

OwnerHistoryAction OwnerHistoryAction::watch(std::string_view owner, std::string_view video_id, uint64_t now_ms)
{
    return SetEntry { .video_id = std::string(video_id), .watched_at_ms = now_ms, .present = true,
        .mutation_id = fmt::format("{}:watch:{}:{}", owner, video_id, now_ms) };
}

OwnerHistoryAction OwnerHistoryAction::remove(std::string_view owner, std::string_view video_id, uint64_t now_ms)
{
    return SetEntry { .video_id = std::string(video_id), .watched_at_ms = now_ms, .present = false,
        .mutation_id = fmt::format("{}:remove:{}:{}", owner, video_id, now_ms) };
}

OwnerHistoryAction OwnerHistoryAction::clear_all(std::string_view owner, uint64_t now_ms)
{
    return Clear { now_ms, fmt::format("{}:clear:all:{}", owner, now_ms) };
}

OwnerHistoryAction OwnerHistoryAction::device_sync(std::string_view owner, std::string_view video_id, uint64_t watched_at_ms)
{
    return SetEntry { .video_id = std::string(video_id), .watched_at_ms = watched_at_ms, .present = true,
        .mutation_id = fmt::format("{}:device-sync:{}:{}", owner, video_id, watched_at_ms) };
}

std::string_view OwnerHistoryAction::variant_name() const
{
    switch (m_kind) {
    case Kind::SetEntry:
        return "SetEntry";
    case Kind::Clear:
        return "Clear";
    case Kind::LegacyMigrationComplete:
        break;
    }
    return "LegacyMigrationComplete";
}

nlohmann::ordered_json OwnerHistoryAction::to_json_value() const
{
    nlohmann::ordered_json fields;
    switch (m_kind) {
    case Kind::SetEntry:
        fields["video_id"] = m_entry.video_id;
        fields["watched_at_ms"] = m_entry.watched_at_ms;
        fields["present"] = m_entry.present;
        fields["mutation_id"] = m_entry.mutation_id;
        break;
    case Kind::Clear:
        fields["cleared_at_ms"] = m_clear.cleared_at_ms;
        fields["clear_id"] = m_clear.clear_id;
        break;
    case Kind::LegacyMigrationComplete:
        return nlohmann::ordered_json("LegacyMigrationComplete");
    }
    nlohmann::ordered_json json;
    json[std::string(variant_name())] = std::move(fields);
    return json;
}

// Texts that are not UTF-8 have their bad bytes replaced here rather than throwing; the
// document write refuses such an entry with its own error.
std::string OwnerHistoryAction::to_json_text() const { return to_json_value().dump(-1, ' ', ensure_ascii, nlohmann::ordered_json::error_handler_t::replace); }

kaso::actions::EncodedAction OwnerHistoryAction::to_encoded_action() const
{
    return kaso::actions::EncodedAction::from_text(std::string(kind), to_json_text());
}

kaso::actions::ActionContext OwnerHistoryAction::dispatch_context() const
{
    return kaso::actions::ActionContext {
        fmt::format("Vexa history {}", variant_name()),
        std::string(history_resource_id),
        std::string(history_resource_title),
    };
}

std::string OwnerHistoryAction::debug_text() const
{
    switch (m_kind) {
    case Kind::SetEntry:
        return fmt::format("SetEntry {{ video_id: {}, watched_at_ms: {}, present: {}, mutation_id: {} }}",
            kaso::debug_text(m_entry.video_id), m_entry.watched_at_ms, m_entry.present, kaso::debug_text(m_entry.mutation_id));
    case Kind::Clear:
        return fmt::format("Clear {{ cleared_at_ms: {}, clear_id: {} }}", m_clear.cleared_at_ms, kaso::debug_text(m_clear.clear_id));
    case Kind::LegacyMigrationComplete:
        break;
    }
    return "LegacyMigrationComplete";
}

kaso::ErrorOr<void> OwnerHistoryAction::encode(automerge::Transaction& transaction) const
{
    auto history = TRY(ensure_map(transaction, automerge::ROOT, "owner_history"));
    switch (m_kind) {
    case Kind::SetEntry: {
        auto entries = TRY(ensure_map(transaction, history, "entries"));
        auto record = HistoryEntryRecord { m_entry.present, m_entry.watched_at_ms, m_entry.mutation_id }.to_json();
        if (!record)
            return kaso::make_error(fmt::format("could not encode owner history entry: {}", record.error()));
        return put(transaction, entries, m_entry.video_id, automerge::ScalarValue::str(std::move(*record)));
    }
    case Kind::Clear: {
        auto clears = TRY(ensure_map(transaction, history, "clears"));
        return put(transaction, clears, m_clear.clear_id, automerge::ScalarValue::str(std::to_string(m_clear.cleared_at_ms)));
    }
    case Kind::LegacyMigrationComplete:
        break;
    }
    return put(transaction, history, "legacy_shared_migration_v1", automerge::ScalarValue::boolean(true));
}

base::ErrorOr<kaso::actions::executor::DispatchOutcome, kaso::actions::ActionError> dispatch_history_action_with_context(
    automerge::Document& document, OwnerHistoryAction const& action, kaso::actions::ActionContext const& context)
{
    return kaso::actions::executor::dispatch_by_with_context(document, action, action.to_encoded_action(), {}, context);
}

}
