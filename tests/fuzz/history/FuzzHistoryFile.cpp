// Fuzz target of the history file as the store opens it. Whatever the bytes, the store either
// opens (then its list is bounded and ordered, a new watch shows first and survives a reopen) or
// waits for recovery with a reason and the file untouched. The same bytes read as a library
// document feed the legacy migration. An input not starting with the magic bytes is taken as a
// document chunk's body and sealed with a valid header and checksum, so that mutations reach the
// document parser instead of stopping at the checksum.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "automerge/Document.h"
#include "automerge/storage/Chunk.h"
#include "kaso/platform/Log.h"
#include "src/history/HistoryReaders.h"
#include "src/history/HistoryStore.h"
#include "src/history/LegacyMigration.h"

namespace fs = std::filesystem;

namespace {

constexpr char const* owner = "user:fuzz";
constexpr uint64_t now = uint64_t(1) << 62;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// One scratch data directory per process, removed at exit.
struct Scratch {
    fs::path path = fs::temp_directory_path() / ("vexa-history-fuzz-" + std::to_string(::getpid()));
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

fs::path const& data_directory()
{
    static Scratch const scratch;
    return scratch.path;
}

std::string read_all(fs::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void check_list(vexa::HistoryStore& store)
{
    auto const& list = store.history_list();
    check(list.size() <= vexa::HistoryStore::history_list_length);
    auto cleared = vexa::latest_clear_ms(store.document(), vexa::owner_history_map(store.document()));
    for (size_t i = 0; i < list.size(); ++i) {
        check(list[i].watched_at_ms > cleared);
        if (i > 0)
            check(list[i - 1].watched_at_ms > list[i].watched_at_ms
                || (list[i - 1].watched_at_ms == list[i].watched_at_ms && list[i - 1].video_id < list[i].video_id));
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    static bool const quiet = [] {
        kaso::log::target("vexa::history_store")->set_level(spdlog::level::off);
        return true;
    }();
    (void)quiet;
    std::vector<uint8_t> sealed;
    if (size > 0 && data[0] != 0x85) {
        sealed = automerge::storage::write_chunk(automerge::storage::ChunkType::Document, std::span(data, size));
        data = sealed.data();
        size = sealed.size();
    }

    auto path = vexa::HistoryStore::path_for(data_directory(), owner);
    fs::remove_all(data_directory());
    fs::create_directories(path.parent_path());
    std::string bytes(reinterpret_cast<char const*>(data), size);
    std::ofstream(path, std::ios::binary) << bytes;

    auto store = vexa::HistoryStore::open_in(owner, data_directory());
    store.set_clock([] { return now; });
    if (store.needs_recovery()) {
        check(!store.is_persistent() && store.recovery_error() && !store.recovery_error()->empty());
        check(!store.apply_action(store.watch_action("fuzz")));
        check(read_all(path) == bytes);
        return 0;
    }
    check(store.is_persistent());
    check_list(store);

    // The same bytes as a library document: the migration's actions apply to a fresh store.
    automerge::LoadOptions options;
    if (auto library = automerge::Document::load(std::span(data, size), options)) {
        auto memory = vexa::HistoryStore::in_memory();
        if (auto actions = vexa::legacy_migration_actions(*library, owner, memory.document())) {
            check(memory.apply_actions(*actions));
            check(vexa::read_legacy_migration_flag(memory.document()));
            check_list(memory);
        }
    }

    auto before = store.history_list();
    if (!store.apply_action(store.watch_action("fuzz"))) {
        check(store.history_list() == before); // rolled back
        return 0;
    }
    check_list(store);
    auto cleared = vexa::latest_clear_ms(store.document(), vexa::owner_history_map(store.document()));
    if (cleared < now)
        check(!store.history_list().empty() && store.history_list().front().video_id == "fuzz");

    auto reopened = vexa::HistoryStore::open_in(owner, data_directory());
    check(!reopened.needs_recovery());
    check(reopened.history_list() == store.history_list());
    return 0;
}
