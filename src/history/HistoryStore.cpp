#include "src/history/HistoryStore.h"

#include <cerrno>
#include <sys/stat.h>

#include "automerge/Transaction.h"
#include "kaso/platform/AtomicFile.h"
#include "kaso/platform/Clock.h"
#include "kaso/platform/Log.h"
#include "kaso/platform/Xdg.h"
#include "src/history/Blake3.h"
#include "src/history/HistoryReaders.h"

namespace vexa {

namespace {

auto logger() { return kaso::log::target("vexa::history_store"); }

std::string field(std::string_view text) { return kaso::debug_text(text); }

HistoryStore::Clock system_clock() { return [] { return kaso::platform::unix_time_ms(); }; }

kaso::ErrorOr<automerge::Document> load_document(std::span<uint8_t const> bytes, std::optional<automerge::ActorId> actor = std::nullopt)
{
    automerge::LoadOptions options;
    options.actor = std::move(actor);
    auto loaded = automerge::Document::load(bytes, options);
    if (!loaded)
        return kaso::make_error(loaded.error().message);
    return std::move(*loaded);
}

}

std::filesystem::path HistoryStore::path_for(std::filesystem::path const& data_directory, std::string_view owner_id)
{
    return data_directory / "kaso" / "vexa" / "history" / (blake3_hex(owner_id) + ".automerge");
}

HistoryStore HistoryStore::in_memory()
{
    HistoryStore store;
    store.m_saved = store.m_document.save();
    return store;
}

HistoryStore HistoryStore::open(std::string owner_id) { return open_in(std::move(owner_id), kaso::platform::data_dir()); }

HistoryStore HistoryStore::open_in(std::string owner_id, std::optional<std::filesystem::path> const& data_directory)
{
    auto store = in_memory();
    store.m_owner_id = std::move(owner_id);
    if (!data_directory)
        return store;
    auto path = path_for(*data_directory, store.m_owner_id);

    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            store.m_path = std::move(path);
            return store;
        }
        auto error = os_error(errno);
        logger()->warn("could not inspect owner history store; persistence disabled path={} error={}", field(path.string()), field(error.message));
        store.m_persistence_disabled = true;
        store.m_recovery_error = std::move(error.message);
        return store;
    }

    auto refuse = [&](std::string error) {
        logger()->warn("owner history recovery required; refusing to overwrite existing store path={} error={}", field(path.string()), field(error));
        store.m_persistence_disabled = true;
        store.m_recovery_error = std::move(error);
        return std::move(store);
    };
    auto read = read_history_file(path);
    if (!read)
        return refuse(read.error().message);
    auto loaded = load_document(read->bytes);
    if (!loaded)
        return refuse(loaded.error().message);
    store.m_document = std::move(*loaded);
    store.m_saved = std::move(read->bytes);
    store.m_path = std::move(path);
    return store;
}

uint64_t HistoryStore::now_ms() const { return m_clock ? m_clock() : system_clock()(); }

OwnerHistoryAction HistoryStore::watch_action(std::string_view owner, std::string_view video_id) const
{
    auto now = now_ms();
    if (now == 0)
        logger()->warn("clock before 1970: the watch is stored but will never be shown video_id={}", field(video_id));
    return OwnerHistoryAction::watch(owner, video_id, now);
}

OwnerHistoryAction HistoryStore::remove_action(std::string_view owner, std::string_view video_id) const
{
    return OwnerHistoryAction::remove(owner, video_id, now_ms());
}

OwnerHistoryAction HistoryStore::clear_action(std::string_view owner) const { return OwnerHistoryAction::clear_all(owner, now_ms()); }

void HistoryStore::restore_saved(std::span<uint8_t const> bytes)
{
    // The actor stays: the change being undone was never written anywhere.
    auto restored = load_document(bytes, m_document.actor_id());
    if (!restored) {
        logger()->error("could not restore owner history after persistence failure restore_error={}", field(restored.error().message));
        return;
    }
    m_document = std::move(*restored);
}

bool HistoryStore::apply_action(OwnerHistoryAction const& action) { return apply_actions(std::span(&action, 1)); }

bool HistoryStore::apply_actions(std::span<OwnerHistoryAction const> actions)
{
    auto fail = [&](std::string_view message, std::string const& error) {
        logger()->warn("{} error={}", message, field(error));
        restore_saved(m_saved);
        return false;
    };

    // The file is locked and merged before the dispatch, not only before the write: an action
    // written into a document that has not seen the other instance's "owner_history" map would
    // make a second map concurrent with it, and only one of the two shows.
    std::optional<HistoryLock> lock;
    if (m_path) {
        auto locked = lock_and_merge();
        if (!locked)
            return fail("could not persist owner-local Vexa history", locked.error().message);
        lock.emplace(std::move(*locked));
    }

    for (size_t i = 0; i < actions.size(); ++i) {
        auto outcome = dispatch_history_action_with_context(m_document, actions[i], actions[i].dispatch_context());
        if (!outcome) {
            logger()->warn("refused owner-local Vexa history action error={}", field(outcome.error().message));
            // A refused dispatch changed nothing; the batch's earlier actions are undone with it.
            if (i > 0)
                restore_saved(m_saved);
            return false;
        }
    }

    auto bytes = m_document.save();
    if (bytes.size() > compaction_threshold && owner_history_map(m_document)) {
        if (auto compacted = compact(); !compacted)
            return fail("could not compact owner-local Vexa history", compacted.error().message);
        bytes = m_document.save();
    }
    if (auto written = write_saved(bytes); !written)
        return fail("could not persist owner-local Vexa history", written.error().message);
    m_saved = std::move(bytes);
    return true;
}

kaso::ErrorOr<HistoryLock> HistoryStore::lock_and_merge()
{
    TRY(prepare_directory());
    auto lock = HistoryLock::acquire(*m_path);
    if (!lock)
        return kaso::make_error(lock.error().message);
    // Under the lock no other instance can be writing one: what is there was left by a crash.
    kaso::platform::remove_atomic_write_temporaries(*m_path);
    TRY(merge_changed_file());
    return std::move(*lock);
}

kaso::ErrorOr<void> HistoryStore::write_saved(std::span<uint8_t const> bytes) const
{
    if (!m_path) {
        if (m_persistence_disabled)
            return kaso::make_error("owner history persistence is disabled pending recovery");
        return {};
    }
    if (bytes.size() > max_file_bytes)
        return kaso::make_error("history store exceeds its size limit");
    return kaso::platform::write_file_atomically(*m_path, std::as_bytes(bytes), 0600);
}

kaso::ErrorOr<void> HistoryStore::persist()
{
    std::optional<HistoryLock> lock;
    if (m_path)
        lock.emplace(TRY(lock_and_merge()));
    auto bytes = m_document.save();
    TRY(write_saved(bytes));
    m_saved = std::move(bytes);
    return {};
}

kaso::ErrorOr<void> HistoryStore::prepare_directory() const
{
    if (!m_path->has_parent_path())
        return kaso::make_error("history path has no parent");
    auto parent = m_path->parent_path();
    std::error_code error;
    std::filesystem::create_directories(parent, error);
    if (error)
        return kaso::make_error(fmt::format("{} (os error {})", error.message(), error.value()));
    if (::chmod(parent.c_str(), 0700) != 0)
        return kaso::make_error(os_error(errno).message);
    return {};
}

kaso::ErrorOr<void> HistoryStore::merge_changed_file()
{
    auto stamp = stamp_of(*m_path);
    if (!stamp)
        return kaso::make_error(stamp.error().message);
    if (!*stamp)
        return {};
    // The bytes decide, not the inode, size and time: an inode freed by one rename is soon reused
    // by the next, and file times are too coarse to tell two quick writes apart.
    auto read = read_history_file(*m_path);
    if (!read)
        return kaso::make_error(fmt::format("history file changed and could not be read: {}", read.error().message));
    if (read->bytes == m_saved)
        return {};
    // Another instance wrote the file since: take its changes before replacing it.
    auto theirs = load_document(read->bytes);
    if (!theirs)
        return kaso::make_error(fmt::format("history file changed and could not be loaded: {}", theirs.error().message));
    auto merged = m_document.merge(*theirs);
    if (!merged)
        return kaso::make_error(fmt::format("history file changed and could not be merged: {}", merged.error().message));
    return {};
}

kaso::ErrorOr<void> HistoryStore::compact()
{
    auto history = owner_history_map(m_document);
    if (!history)
        return {};
    bool migrated = read_legacy_migration_flag(m_document);
    auto cleared = latest_clear_ms(m_document, history);
    auto entries = resolved_entries(m_document, history);
    sort_newest_first(entries);

    std::vector<OwnerHistoryAction> actions;
    size_t live = 0;
    for (auto const& entry : entries) {
        if (entry.record.present && entry.record.watched_at_ms > cleared && live < compaction_kept_entries) {
            actions.push_back(OwnerHistoryAction::SetEntry { .video_id = entry.video_id, .watched_at_ms = entry.record.watched_at_ms,
                .present = true, .mutation_id = entry.record.mutation_id });
            ++live;
        }
    }
    // Removals stay so that a device sending a removed video again cannot bring it back.
    size_t removals = 0;
    for (auto const& entry : entries) {
        if (!entry.record.present && removals < compaction_kept_removals) {
            actions.push_back(OwnerHistoryAction::SetEntry { .video_id = entry.video_id, .watched_at_ms = entry.record.watched_at_ms,
                .present = false, .mutation_id = entry.record.mutation_id });
            ++removals;
        }
    }
    if (cleared != 0)
        actions.push_back(OwnerHistoryAction::Clear { cleared, fmt::format("compacted-clear:{}", cleared) });
    if (migrated)
        actions.push_back(OwnerHistoryAction::LegacyMigrationComplete {});

    // A new actor: the old one's sequence numbers live on in files other instances may merge.
    automerge::Document compacted;
    {
        auto transaction = automerge::Transaction::open(compacted);
        if (!transaction)
            return kaso::make_error(transaction.error().message);
        for (auto const& action : actions)
            TRY(action.encode(*transaction));
        transaction->commit();
    }
    m_document = std::move(compacted);
    return {};
}

std::vector<HistoryListEntry> const& HistoryStore::history_list()
{
    if (m_list_heads && *m_list_heads == m_document.heads())
        return m_list;
    m_list.clear();
    for (auto& entry : live_entries(m_document, history_list_length))
        m_list.push_back(HistoryListEntry { std::move(entry.video_id), entry.record.watched_at_ms });
    m_list_heads = m_document.heads();
    return m_list;
}

}
