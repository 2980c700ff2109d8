// Benchmarks of the document core, the same workloads that reference-bench.cjs times with
// @automerge/automerge:
//   LoadSaveHistory2000   load + save of a 2,000-entry history document (one commit per entry)
//   Puts10000WithCommits  10,000 single puts, each committed
// AUTOMERGE_BENCH_DOCUMENT names a saved document to load instead of the one built here (the
// comparison passes the reference's own save).
// AUTOMERGE_BENCH_SHAPES names a folder of saved documents (compare-shapes.sh writes them); each
// gets a Load/<name> and a Save/<name> benchmark.

#include "automerge/Document.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

using namespace automerge;

namespace {

std::string video_id(int i)
{
    auto id = std::to_string(i);
    return "video" + std::string(6 - id.size(), '0') + id;
}

std::string record(int i)
{
    auto at = std::to_string(1700000000000LL + i * 1000LL);
    return "{\"present\":true,\"watched_at_ms\":" + at + ",\"mutation_id\":\"owner:watch:" + video_id(i) + ":" + at + "\"}";
}

// The document of tests/interop/automerge/fixture-scripts.cjs historyEntries(2000).
Document history_document(int count)
{
    Document document(ActorId(std::vector<uint8_t>(16, 0xaa)));
    (void)document.begin();
    auto history = document.put_object(ROOT, "owner_history", ObjType::Map).value();
    auto entries = document.put_object(history, "entries", ObjType::Map).value();
    (void)document.put_object(history, "clears", ObjType::Map);
    document.commit(CommitOptions { std::nullopt, 1700000000 });
    for (int i = 0; i < count; ++i) {
        (void)document.begin();
        (void)document.put(entries, video_id(i), ScalarValue::str(record(i)));
        document.commit(CommitOptions { std::nullopt, 1700000000 + i });
    }
    return document;
}

std::vector<uint8_t> history_bytes()
{
    if (char const* path = std::getenv("AUTOMERGE_BENCH_DOCUMENT")) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    return history_document(2000).save();
}

void LoadSaveHistory2000(benchmark::State& state)
{
    auto bytes = history_bytes();
    size_t saved_size = 0;
    for (auto _ : state) {
        auto document = Document::load(bytes);
        if (!document) {
            state.SkipWithError(document.error().message.c_str());
            return;
        }
        auto saved = document->save();
        saved_size = saved.size();
        benchmark::DoNotOptimize(saved.data());
    }
    state.counters["input_bytes"] = static_cast<double>(bytes.size());
    state.counters["saved_bytes"] = static_cast<double>(saved_size);
    state.counters["own_saved_bytes"] = static_cast<double>(history_document(2000).save().size());
}
BENCHMARK(LoadSaveHistory2000)->Unit(benchmark::kMillisecond);

void Puts10000WithCommits(benchmark::State& state)
{
    for (auto _ : state) {
        Document document(ActorId(std::vector<uint8_t>(16, 0xbb)));
        for (int i = 0; i < 10000; ++i) {
            (void)document.put(ROOT, video_id(i % 500), ScalarValue::str(record(i)));
            document.commit(CommitOptions { std::nullopt, 1700000000 + i });
        }
        benchmark::DoNotOptimize(document.heads().data());
    }
}
BENCHMARK(Puts10000WithCommits)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> read_file(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void register_shapes()
{
    char const* dir = std::getenv("AUTOMERGE_BENCH_SHAPES");
    if (!dir)
        return;
    std::vector<std::filesystem::path> files;
    for (auto const& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".automerge")
            files.push_back(entry.path());
    }
    std::ranges::sort(files);
    for (auto const& file : files) {
        auto name = file.stem().string();
        benchmark::RegisterBenchmark(("Load/" + name).c_str(), [file](benchmark::State& state) {
            auto bytes = read_file(file);
            for (auto _ : state) {
                auto document = Document::load(bytes);
                if (!document) {
                    state.SkipWithError(document.error().message.c_str());
                    return;
                }
                benchmark::DoNotOptimize(document->heads().data());
            }
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Save/" + name).c_str(), [file](benchmark::State& state) {
            auto document = Document::load(read_file(file));
            if (!document) {
                state.SkipWithError(document.error().message.c_str());
                return;
            }
            // A document hands out its last save's bytes again while nothing changed, so each
            // round saves a fresh copy of one that never saved: the whole save is timed.
            size_t saved_size = 0;
            for (auto _ : state) {
                state.PauseTiming();
                auto fresh = *document;
                state.ResumeTiming();
                auto saved = fresh.save();
                saved_size = saved.size();
                benchmark::DoNotOptimize(saved.data());
                state.PauseTiming();
                { auto gone = std::move(fresh); }
                state.ResumeTiming();
            }
            state.counters["saved_bytes"] = static_cast<double>(saved_size);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("SaveAgain/" + name).c_str(), [file](benchmark::State& state) {
            auto document = Document::load(read_file(file));
            if (!document) {
                state.SkipWithError(document.error().message.c_str());
                return;
            }
            benchmark::DoNotOptimize(document->save().data());
            for (auto _ : state)
                benchmark::DoNotOptimize(document->save().data());
        })->Unit(benchmark::kMillisecond);
    }
}

}

int main(int argc, char** argv)
{
    register_shapes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
