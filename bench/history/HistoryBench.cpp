// Timings of the history store on a 2,000-entry history. With HISTORY_BENCH_DOCUMENT naming a
// file, that document is used (compare.sh passes the one the reference made, so both sides
// start from the same bytes); otherwise one is made here with the store's own actions.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fmt/format.h>
#include <fstream>
#include <unistd.h>

#include "kaso/platform/AtomicFile.h"
#include "src/history/HistoryStore.h"

namespace {

constexpr std::string_view owner = "owner";

std::vector<uint8_t> history_2000()
{
    if (char const* path = std::getenv("HISTORY_BENCH_DOCUMENT")) {
        std::ifstream file(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    auto store = vexa::HistoryStore::in_memory();
    std::vector<vexa::OwnerHistoryAction> batch;
    for (int i = 0; i < 2000; ++i)
        batch.push_back(vexa::OwnerHistoryAction::watch(owner, fmt::format("video{:06}", i), 1700000000000u + i * 1000u));
    store.apply_actions(batch);
    return store.document().save();
}

std::vector<uint8_t> const& document_bytes()
{
    static auto bytes = history_2000();
    return bytes;
}

// A data directory holding the 2,000-entry file under the owner's name.
std::filesystem::path const& data_directory()
{
    static auto directory = [] {
        auto path = std::filesystem::temp_directory_path() / fmt::format("vexa-history-bench-{}", ::getpid());
        std::filesystem::remove_all(path);
        auto file = vexa::HistoryStore::path_for(path, owner);
        auto const& bytes = document_bytes();
        (void)kaso::platform::write_file_atomically(file, std::as_bytes(std::span(bytes)), 0600);
        std::atexit([] { std::filesystem::remove_all(std::filesystem::temp_directory_path() / fmt::format("vexa-history-bench-{}", ::getpid())); });
        return path;
    }();
    return directory;
}

vexa::HistoryStore loaded_in_memory()
{
    auto store = vexa::HistoryStore::in_memory();
    store.restore_saved(document_bytes());
    return store;
}

void OpenHistory2000(benchmark::State& state)
{
    auto const& directory = data_directory();
    for (auto _ : state) {
        auto store = vexa::HistoryStore::open_in(std::string(owner), directory);
        benchmark::DoNotOptimize(store.document().heads());
    }
}
BENCHMARK(OpenHistory2000)->Unit(benchmark::kMillisecond);

// One watch recorded: the dispatch (transaction, encode, commit) and the one save that the size
// check and the write share; a memory-only store, so no file is written.
void RecordWatchWithoutWrite(benchmark::State& state)
{
    auto store = loaded_in_memory();
    uint64_t at = 1800000000000;
    int i = 0;
    for (auto _ : state) {
        auto video = fmt::format("video{:06}", i++ % 2000);
        benchmark::DoNotOptimize(store.apply_action(vexa::OwnerHistoryAction::watch(owner, video, at++)));
    }
    state.counters["saved_bytes"] = static_cast<double>(store.document().save().size());
}
BENCHMARK(RecordWatchWithoutWrite)->Unit(benchmark::kMillisecond);

// The file write alone: the atomic replace (temporary, fsync, rename) of the saved bytes.
void WriteHistoryFile(benchmark::State& state)
{
    auto file = vexa::HistoryStore::path_for(data_directory(), "write-bench");
    auto const& bytes = document_bytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(kaso::platform::write_file_atomically(file, std::as_bytes(std::span(bytes)), 0600));
}
BENCHMARK(WriteHistoryFile)->Unit(benchmark::kMillisecond);

// The whole record on a file-backed store: lock, file comparison, dispatch, save and write.
void RecordWatchWithWrite(benchmark::State& state)
{
    auto store = vexa::HistoryStore::open_in(std::string(owner), data_directory());
    uint64_t at = 1800000000000;
    int i = 0;
    for (auto _ : state) {
        auto video = fmt::format("video{:06}", i++ % 2000);
        benchmark::DoNotOptimize(store.apply_action(vexa::OwnerHistoryAction::watch(owner, video, at++)));
    }
}
BENCHMARK(RecordWatchWithWrite)->Unit(benchmark::kMillisecond);

// The frame's history list when nothing changed since the last frame.
void HistoryListUnchanged(benchmark::State& state)
{
    auto store = loaded_in_memory();
    store.history_list();
    for (auto _ : state)
        benchmark::DoNotOptimize(store.history_list().size());
}
BENCHMARK(HistoryListUnchanged)->Unit(benchmark::kMicrosecond);

// The list rebuilt from the document, as after every change.
void HistoryListRebuilt(benchmark::State& state)
{
    auto store = loaded_in_memory();
    for (auto _ : state) {
        auto copy = store;
        benchmark::DoNotOptimize(copy.history_list().size());
    }
}
BENCHMARK(HistoryListRebuilt)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
