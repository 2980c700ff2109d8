#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automerge/Document.h"
#include "kaso/actions/Executor.h"
#include "kaso/platform/Error.h"
#include "kaso/platform/FileLock.h"

namespace kaso::actions {

// The shared library document the runtime keeps for an application: one Automerge document in
// <data dir>/<application folder>/library.automerge (the folder of its identifier, "kaso/vexa"
// for "io.kaso.vexa"), loaded at start and written atomically (mode 0600 in a
// 0700 directory) after every dispatch that changes it. Readers get it read-only (`sync`);
// changes go through `dispatch`.
//
// A file that cannot be read or loaded (corrupt, too large, an unsupported document) is never
// overwritten: it is moved aside to library.automerge.unreadable-<epoch ms>, a new empty
// library starts in its place, and `notice()` tells the user where the old file went. When even
// that move fails, nothing is written for the rest of the run and the notice says so.
//
// Several running instances may share the file. Each write holds an advisory lock on
// library.automerge.lock beside it (`flock`; the lock file is never replaced, so every instance
// locks the same one), and when the file is not the one this store last loaded or wrote, it is
// loaded and merged into the document before the document is saved: a merge loses nothing, so
// no instance overwrites another's changes.
class LibraryStore {
public:
    static constexpr size_t max_file_bytes = 16u << 20;

    // The store of the application at its default path: nothing to write when there is no data
    // directory, nor when the identifier names no folder (the notice says so, in both cases).
    static LibraryStore open(std::string_view application_id);
    // The store at `path`.
    static LibraryStore open_at(std::filesystem::path path);
    // An empty store that never writes.
    static LibraryStore in_memory();

    automerge::Document const& document() const { return m_document; }
    std::optional<std::filesystem::path> const& path() const { return m_path; }
    bool persistence_disabled() const { return m_persistence_disabled; }
    // What the user must be told about the file at opening, if anything.
    std::optional<std::string> const& notice() const { return m_notice; }

    // Dispatches the action through the executor and writes the file when the document changed,
    // all under the file's lock and after merging what another instance wrote to it. When
    // writing fails, the document is restored to what it was and the error returned.
    base::ErrorOr<executor::DispatchOutcome, ActionError> dispatch(DocumentAction const& action, EncodedAction const& encoded,
        ActionContext const& context = {});

    // Writes the whole document now, merging first what another instance wrote to the file.
    ErrorOr<void> persist();

    static ErrorOr<std::optional<std::filesystem::path>> default_path(std::string_view application_id);

private:
    // Under the lock: takes in what the file holds when it is not the version last seen.
    ErrorOr<void> merge_from_file();
    // Under the lock: saves the document into the file; the saved bytes become the restore point.
    ErrorOr<void> write_file();
    // Under the lock, before a change: makes sure the restore point holds the document as it is.
    void ensure_restore_point();
    // Puts the document back to the restore point after a change that could not be written.
    void restore();

    LibraryStore() = default;

    automerge::Document m_document;
    std::optional<std::filesystem::path> m_path;
    bool m_persistence_disabled { false };
    std::optional<std::string> m_notice;
    std::optional<platform::FileStamp> m_seen; // the file as last loaded or written; none before either
    // The document's bytes as last loaded or written, which a failed write restores it from:
    // kept from the load or the save that was made anyway, so a change that is written needs no
    // second save. None until the first change is prepared, and again after a merge changed the
    // document under it.
    std::optional<std::vector<uint8_t>> m_restore_point;
};

}
