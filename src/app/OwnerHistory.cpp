#include "src/app/OwnerHistory.h"

#include <algorithm>

namespace vexa {

OwnerHistory OwnerHistory::open(std::string owner_id) { return OwnerHistory(HistoryStore::open(std::move(owner_id))); }

OwnerHistory OwnerHistory::open_in(std::string owner_id, std::optional<std::filesystem::path> const& data_directory)
{
    return OwnerHistory(HistoryStore::open_in(std::move(owner_id), data_directory));
}

OwnerHistory OwnerHistory::in_memory(std::string owner_id) { return open_in(std::move(owner_id), std::nullopt); }

bool OwnerHistory::apply_owner_history(OwnerHistoryAction const& action, VexaModel& model)
{
    if (m_store.apply_action(action))
        return true;
    model.history_notice = m_store.persistence_disabled() ? recovery_notice : save_failed_notice;
    return false;
}

bool OwnerHistory::record_history(std::string const& video_id, VexaModel& model)
{
    if (!apply_owner_history(m_store.watch_action(model.owner_id, video_id), model))
        return false;
    model.record_history(video_id);
    return true;
}

bool OwnerHistory::remove_history(std::string const& video_id, VexaModel& model)
{
    if (!apply_owner_history(m_store.remove_action(model.owner_id, video_id), model))
        return false;
    std::erase(model.history, video_id);
    return true;
}

bool OwnerHistory::clear_history(VexaModel& model)
{
    if (!apply_owner_history(m_store.clear_action(model.owner_id), model))
        return false;
    model.history.clear();
    return true;
}

bool OwnerHistory::migrate_legacy(automerge::Document const* library, VexaModel& model)
{
    if (!library)
        return false;
    switch (m_migration.run(m_store, *library)) {
    case LegacyMigration::Outcome::Migrated: return true;
    case LegacyMigration::Outcome::Failed:
        // The store rolled the batch back; the next attempt waits a minute.
        model.history_notice = m_store.persistence_disabled() ? recovery_notice : save_failed_notice;
        return false;
    case LegacyMigration::Outcome::AlreadyRecorded:
    case LegacyMigration::Outcome::Skipped: return false;
    }
    return false;
}

bool OwnerHistory::refresh_list(VexaModel& model)
{
    auto const& list = m_store.history_list();
    bool same = std::ranges::equal(list, model.history, [](HistoryListEntry const& entry, std::string const& id) { return entry.video_id == id; });
    if (same)
        return false;
    model.history.clear();
    for (auto const& entry : list)
        model.history.push_back(entry.video_id);
    return true;
}

bool OwnerHistory::import_entries(std::span<OwnerHistoryAction const> entries, VexaModel& model)
{
    if (entries.empty())
        return false;
    if (m_store.apply_actions(entries))
        return true;
    // The store rolled the whole batch back; the entries come again with the device's next pass.
    model.history_notice = m_store.persistence_disabled() ? recovery_notice : save_failed_notice;
    return false;
}

}
