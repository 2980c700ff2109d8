#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "automerge/Document.h"
#include "kaso/platform/Error.h"
#include "src/history/HistoryFile.h"
#include "src/history/OwnerHistoryAction.h"

namespace vexa {

// One video of the history list: newest first, as the frame shows it.
struct HistoryListEntry {
    std::string video_id;
    uint64_t watched_at_ms { 0 };
    bool operator==(HistoryListEntry const&) const = default;
};

// The owner-local watch history: one Automerge document in memory and in one file per owner,
// <data dir>/kaso/vexa/history/<BLAKE3 of the owner id>.automerge (mode 0600 in a 0700
// directory). Its state is fixed at opening:
//
//   state                 path     persistence_disabled   saving
//   file-backed, loaded   yes      no                     writes the file
//   file-backed, new      yes      no                     creates the file on the first save
//   memory-only           no       no                     succeeds without writing
//   recovery required     no       yes                    refused; the existing file is never touched
//
// Every change is one OwnerHistoryAction through `apply_action`, which dispatches it, compacts a
// document grown past 512 KiB, and writes the whole document atomically; when anything after the
// dispatch fails, the document goes back to the bytes of the last successful load or save.
// Writes hold an flock on "<file>.lock", and a file another instance replaced meanwhile is
// merged in before saving, so two instances never lose each other's watches.
// Only the UI thread uses a store.
class HistoryStore {
public:
    static constexpr size_t max_file_bytes = history_file_limit;
    static constexpr size_t compaction_threshold = 524288;
    static constexpr size_t compaction_kept_entries = 50;
    static constexpr size_t compaction_kept_removals = 1000;
    static constexpr size_t history_list_length = 50;

    using Clock = std::function<uint64_t()>; // epoch ms

    // The store of the owner under the local data directory; memory-only without one.
    static HistoryStore open(std::string owner_id);
    static HistoryStore open_in(std::string owner_id, std::optional<std::filesystem::path> const& data_directory);
    static HistoryStore in_memory();

    // "<data dir>/kaso/vexa/history/<blake3 hex of owner>.automerge".
    static std::filesystem::path path_for(std::filesystem::path const& data_directory, std::string_view owner_id);

    std::string const& owner_id() const { return m_owner_id; }
    bool is_persistent() const { return m_path.has_value(); }
    // Persistence is disabled until the user restores or replaces an unreadable file.
    bool needs_recovery() const { return m_persistence_disabled; }
    bool persistence_disabled() const { return m_persistence_disabled; }
    std::optional<std::filesystem::path> const& path() const { return m_path; }
    // Why persistence was disabled at opening (the file refused, or its status unreadable).
    std::optional<std::string> const& recovery_error() const { return m_recovery_error; }
    automerge::Document const& document() const { return m_document; }

    // Applies and saves one action; false (and a warning logged) when it was refused or could not
    // be saved, the document then being as it was.
    bool apply_action(OwnerHistoryAction const& action);
    // Several actions with one save and one write, rolled back whole when any fails.
    bool apply_actions(std::span<OwnerHistoryAction const> actions);

    // Writes the current document (merging a file another instance wrote meanwhile).
    kaso::ErrorOr<void> persist();
    // Reloads the document from saved bytes; logs and keeps the current one when they do not load.
    void restore_saved(std::span<uint8_t const> bytes);

    // The live entries, newest first, at most 50: rebuilt only when the document's heads change.
    std::vector<HistoryListEntry> const& history_list();

    // The clock history times and mutation ids are taken from (the system clock by default).
    void set_clock(Clock clock) { m_clock = std::move(clock); }
    uint64_t now_ms() const;
    // The actions the program makes now, named by this store's owner or by the one given.
    OwnerHistoryAction watch_action(std::string_view video_id) const { return watch_action(m_owner_id, video_id); }
    OwnerHistoryAction remove_action(std::string_view video_id) const { return remove_action(m_owner_id, video_id); }
    OwnerHistoryAction clear_action() const { return clear_action(m_owner_id); }
    OwnerHistoryAction watch_action(std::string_view owner, std::string_view video_id) const;
    OwnerHistoryAction remove_action(std::string_view owner, std::string_view video_id) const;
    OwnerHistoryAction clear_action(std::string_view owner) const;

private:
    // Every store starts as `in_memory` makes it: an empty document whose saved bytes are known.
    HistoryStore() = default;

    // Rebuilds the document from the 50 newest live entries, the 1,000 newest removals, one clear
    // and the migration flag, under a new actor.
    kaso::ErrorOr<void> compact();
    kaso::ErrorOr<void> prepare_directory() const;
    // Under the lock: merges the file when it holds other bytes than we last read or wrote.
    kaso::ErrorOr<void> merge_changed_file();
    // Creates the directory, takes the lock and merges the file under it.
    kaso::ErrorOr<HistoryLock> lock_and_merge();
    // The saving steps after the lock: refused pending recovery, nothing without a path, the size
    // limit, then the atomic write.
    kaso::ErrorOr<void> write_saved(std::span<uint8_t const> bytes) const;

    automerge::Document m_document;
    std::optional<std::filesystem::path> m_path;
    bool m_persistence_disabled { false };
    std::optional<std::string> m_recovery_error;
    std::string m_owner_id;

    std::vector<uint8_t> m_saved;          // bytes of the last successful load or save: the rollback copy
    Clock m_clock;

    std::vector<HistoryListEntry> m_list;
    std::optional<std::vector<automerge::ChangeHash>> m_list_heads;
};

}
