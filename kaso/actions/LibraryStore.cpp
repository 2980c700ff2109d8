#include "kaso/actions/LibraryStore.h"

#include <chrono>
#include <sys/stat.h>

#include "kaso/platform/AtomicFile.h"
#include "kaso/platform/FileLock.h"
#include "kaso/platform/Log.h"
#include "kaso/platform/Xdg.h"

namespace kaso::actions {

namespace {

struct LoadedLibrary {
    automerge::Document document;
    std::vector<uint8_t> bytes; // what the document was loaded from
};

ErrorOr<LoadedLibrary> read_library(std::filesystem::path const& path)
{
    auto read = TRY(platform::read_file_bounded(path, LibraryStore::max_file_bytes));
    auto const* first = reinterpret_cast<uint8_t const*>(read.data());
    std::vector<uint8_t> bytes(first, first + read.size());
    auto loaded = automerge::Document::load(bytes);
    if (!loaded)
        return make_error(loaded.error().message);
    return LoadedLibrary { std::move(*loaded), std::move(bytes) };
}

}

ErrorOr<std::optional<std::filesystem::path>> LibraryStore::default_path(std::string_view application_id)
{
    auto folder = TRY(platform::application_folder(application_id));
    auto data = platform::data_dir();
    if (!data)
        return std::nullopt;
    return *data / folder / "library.automerge";
}

LibraryStore LibraryStore::open(std::string_view application_id)
{
    auto path = default_path(application_id);
    if (!path) {
        kaso::log::target("kaso::library")->warn("no library file error={}", kaso::debug_text(path.error().message));
        auto store = in_memory();
        store.m_notice = fmt::format("The library cannot be kept in a file ({}); changes to the library will not be saved.", path.error().message);
        return store;
    }
    if (!*path) {
        kaso::log::target("kaso::library")->warn("no data directory for the library file");
        auto store = in_memory();
        store.m_notice = "No data folder was found for the library; changes to the library will not be saved.";
        return store;
    }
    return open_at(std::move(**path));
}

LibraryStore LibraryStore::in_memory()
{
    return LibraryStore {};
}

LibraryStore LibraryStore::open_at(std::filesystem::path path)
{
    LibraryStore store;
    std::error_code error;
    auto status = std::filesystem::symlink_status(path, error);
    if (error || status.type() == std::filesystem::file_type::not_found) {
        if (error && error != std::errc::no_such_file_or_directory) {
            store.m_persistence_disabled = true;
            store.m_notice = fmt::format("The library file {} could not be inspected ({}); changes to the library will not be saved.", path.string(), error.message());
            kaso::log::target("kaso::library")->warn("could not inspect library file path={} error={}", path.string(), error.message());
            return store;
        }
        store.m_path = std::move(path);
        return store;
    }

    // Stamped before reading: a write by another instance in between is then merged once more
    // at the next write, never taken for the version read.
    auto stamp = platform::file_stamp(path).value_or(std::nullopt);
    auto loaded = status.type() == std::filesystem::file_type::regular
        ? read_library(path)
        : ErrorOr<LoadedLibrary>(make_error("library: not a regular file"));
    if (loaded) {
        store.m_document = std::move(loaded->document);
        store.m_restore_point = std::move(loaded->bytes);
        store.m_seen = stamp;
        store.m_path = std::move(path);
        return store;
    }

    // Keep the unreadable file aside, untouched, and start a new library in its place.
    auto now = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    auto aside = path;
    aside += fmt::format(".unreadable-{}", now);
    std::filesystem::rename(path, aside, error);
    kaso::log::target("kaso::library")->warn("library file unreadable path={} error={}", path.string(), loaded.error().message);
    if (error) {
        store.m_persistence_disabled = true;
        store.m_notice = fmt::format("The library file {} could not be read ({}) and could not be moved aside; changes to the library will not be saved.", path.string(), loaded.error().message);
        return store;
    }
    store.m_notice = fmt::format("The library file could not be read ({}); it was kept as {} and a new library was started.", loaded.error().message, aside.string());
    store.m_path = std::move(path);
    return store;
}

ErrorOr<void> LibraryStore::merge_from_file()
{
    auto stamp = TRY(platform::file_stamp(*m_path));
    if (!stamp || stamp == m_seen)
        return {};
    // Written by another instance since: what it holds joins this document. A file that cannot
    // be read is not overwritten, so this write fails instead.
    auto theirs = read_library(*m_path);
    if (!theirs)
        return make_error(fmt::format("library: the file was changed by another instance and cannot be read: {}", theirs.error().message));
    // The document is no longer what was loaded or written last (a merge that fails may have
    // taken in part of theirs).
    m_restore_point.reset();
    if (auto merged = m_document.merge(theirs->document); !merged)
        return make_error(fmt::format("library: the file was changed by another instance and cannot be merged: {}", merged.error().message));
    m_seen = stamp;
    kaso::log::target("kaso::library")->info("merged library changes of another instance path={}", m_path->string());
    return {};
}

ErrorOr<void> LibraryStore::write_file()
{
    auto bytes = m_document.save();
    TRY(platform::write_file_atomically(*m_path, std::as_bytes(std::span(bytes)), 0600));
    m_seen = platform::file_stamp(*m_path).value_or(std::nullopt);
    // The directory may have existed already with a wider mode.
    if (::chmod(m_path->parent_path().c_str(), 0700) != 0)
        return make_error(fmt::format("library: cannot restrict {}", m_path->parent_path().string()));
    m_restore_point = std::move(bytes);
    return {};
}

void LibraryStore::ensure_restore_point()
{
    if (!m_restore_point)
        m_restore_point = m_document.save();
}

void LibraryStore::restore()
{
    // Loaded under the same actor, so the next change continues this instance's sequence.
    automerge::LoadOptions options;
    options.actor = m_document.actor_id();
    if (auto restored = automerge::Document::load(*m_restore_point, options)) {
        m_document = std::move(*restored);
        return;
    }
    // Bytes this store loaded or saved itself always load again; should they not, the document
    // keeps the change and is no longer what the restore point holds.
    kaso::log::target("kaso::library")->error("library document could not be restored after a failed write");
    m_restore_point.reset();
}

ErrorOr<void> LibraryStore::persist()
{
    if (m_persistence_disabled)
        return make_error("library: persistence is disabled");
    if (!m_path)
        return {};
    auto lock = TRY(platform::FileLock::take(*m_path));
    TRY(merge_from_file());
    return write_file();
}

base::ErrorOr<executor::DispatchOutcome, ActionError> LibraryStore::dispatch(DocumentAction const& action, EncodedAction const& encoded,
    ActionContext const& context)
{
    auto not_saved = [](Error const& error) { return std::unexpected(ActionError { fmt::format("library: the change was not saved: {}", error.message) }); };
    if (m_persistence_disabled)
        return not_saved(Error { "library: persistence is disabled" });

    // With a file, the change is made under the lock and on top of what other instances wrote
    // to it: made beside their changes instead, a map both create (the first "vexa", say) would
    // be two maps under one key, and only one of them shows.
    std::optional<platform::FileLock> lock;
    if (m_path) {
        auto taken = platform::FileLock::take(*m_path);
        if (!taken)
            return not_saved(taken.error());
        lock.emplace(std::move(*taken));
        if (auto merged = merge_from_file(); !merged)
            return not_saved(merged.error());
    }

    // Only a change that is written out can have to be undone: a library kept in memory alone
    // keeps no restore point. With a file, the restore point is nearly always the bytes of the
    // last load or write already, so a dispatch saves the document once, for its own write.
    if (m_path)
        ensure_restore_point();
    auto outcome = executor::dispatch_by_with_context(m_document, action, encoded, {}, context);
    if (!outcome)
        return outcome;
    if (!outcome->change || !m_path)
        return outcome;
    if (auto written = write_file(); !written) {
        restore();
        return not_saved(written.error());
    }
    return outcome;
}

}
