#include "src/history/LegacyMigration.h"

#include "automerge/Document.h"
#include "kaso/platform/Log.h"
#include "src/history/HistoryReaders.h"
#include "src/history/HistoryStore.h"

namespace vexa {

std::optional<std::vector<OwnerHistoryAction>> legacy_migration_actions(automerge::Document const& library, std::string_view owner,
    automerge::Document const& history)
{
    auto shared = map_at(library, automerge::ROOT, "vexa");
    auto all = shared ? map_at(library, *shared, "private_history") : std::nullopt;
    auto legacy = all ? map_at(library, *all, owner) : std::nullopt;
    if (!legacy)
        return std::nullopt;

    auto cleared = latest_clear_ms(library, legacy);
    auto local_history = owner_history_map(history);
    auto local_entries = local_history ? map_at(history, *local_history, "entries") : std::nullopt;

    std::vector<OwnerHistoryAction> actions;
    for (auto& entry : resolved_entries(library, legacy)) {
        if (entry.record.watched_at_ms <= cleared)
            continue;
        HistoryEntryRecord migrated { entry.record.present, entry.record.watched_at_ms, "legacy:" + entry.record.mutation_id };
        if (local_entries) {
            auto local = resolve_entry(history, *local_entries, entry.video_id);
            if (local && !resolves_before(*local, migrated))
                continue;
        }
        actions.push_back(OwnerHistoryAction::SetEntry { std::move(entry.video_id), migrated.watched_at_ms, migrated.present, std::move(migrated.mutation_id) });
    }
    actions.push_back(OwnerHistoryAction::LegacyMigrationComplete {});
    return actions;
}

LegacyMigration::Outcome LegacyMigration::run(HistoryStore& store, automerge::Document const& library)
{
    if (read_legacy_migration_flag(store.document()))
        return Outcome::AlreadyRecorded;
    if (store.persistence_disabled())
        return Outcome::Skipped;
    auto now = store.now_ms();
    if (m_failed_at_ms && now < *m_failed_at_ms + retry_after_ms && now >= *m_failed_at_ms)
        return Outcome::Skipped;
    auto actions = legacy_migration_actions(library, store.owner_id(), store.document());
    if (!actions)
        return Outcome::Skipped;
    if (!store.apply_actions(*actions)) {
        m_failed_at_ms = now;
        return Outcome::Failed;
    }
    m_failed_at_ms.reset();
    kaso::log::target("vexa::app")->info("migrated legacy shared Vexa history locally; existing shared replicas and exports cannot be recalled");
    return Outcome::Migrated;
}

}
