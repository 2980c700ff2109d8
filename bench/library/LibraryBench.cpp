// One frame's two library reads and one dispatched like, on a library of realistic size: the
// sample catalogue padded to 1,000 known videos, and a document with 500 subscriptions, 300
// likes, 200 queued videos and every setting. compare.sh runs the reference's share beside it.
//
// The document's content is made the same way in reference-library-bench.cjs, so both sides
// put, commit and save the same library.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unistd.h>

#include "automerge/Document.h"
#include "kaso/actions/ActionHost.h"
#include "kaso/actions/LibraryStore.h"
#include "kaso/platform/AtomicFile.h"
#include "src/actions/LibraryReader.h"
#include "src/actions/TypedDispatch.h"
#include "src/backend/SampleCatalogue.h"
#include "src/model/VexaModel.h"

namespace {

using namespace vexa;

constexpr size_t known_videos = 1000;

std::string padded_video_id(size_t index) { return fmt::format("bench-video-{:04}", index); }

VexaModel padded_catalogue()
{
    auto model = sample_catalogue();
    auto const sample_count = model.videos.size();
    for (size_t index = sample_count; index < known_videos; ++index) {
        auto video = model.videos[index % sample_count];
        video.id = padded_video_id(index);
        model.videos.push_back(std::move(video));
    }
    return model;
}

automerge::Document library_document()
{
    using automerge::ScalarValue;
    automerge::Document document(automerge::ActorId(std::vector<uint8_t>(16, 0xbe)));
    (void)document.begin();
    auto vexa = *document.put_object(automerge::ROOT, "vexa", automerge::ObjType::Map);
    auto likes = *document.put_object(vexa, "likes", automerge::ObjType::Map);
    auto queue = *document.put_object(vexa, "queue", automerge::ObjType::Map);
    auto subscriptions = *document.put_object(vexa, "subscriptions", automerge::ObjType::Map);
    auto settings = *document.put_object(vexa, "settings", automerge::ObjType::Map);
    auto categories = *document.put_object(settings, "sponsor_categories", automerge::ObjType::Map);
    for (size_t i = 0; i < 500; ++i)
        (void)document.put(subscriptions, fmt::format("UCbenchchannel{:04}", i), ScalarValue::boolean(true));
    for (size_t i = 500; i < 800; ++i)
        (void)document.put(likes, padded_video_id(i), ScalarValue::boolean(true));
    for (size_t i = 800; i < 1000; ++i)
        (void)document.put(queue, padded_video_id(i), ScalarValue::boolean(true));
    for (auto flag : all_setting_flags)
        (void)document.put(settings, setting_flag_key(flag), ScalarValue::boolean(flag != SettingFlag::Autoplay));
    (void)document.put(settings, "preferred_quality", ScalarValue::str("720p"));
    for (auto category : all_segment_categories)
        (void)document.put(categories, segment_category_api_id(category), ScalarValue::str(category == SegmentCategory::Intro ? "show" : "skip"));
    automerge::CommitOptions options;
    options.time = 1700000000;
    document.commit(options);
    return document;
}

struct Library {
    VexaModel model = padded_catalogue();
    automerge::Document document = library_document();
    LibraryReader reader;

    Library() { reader.read(document, model); }

    // One frame: the read at its start and the one after the imports.
    bool frame()
    {
        bool changed = reader.read(document, model);
        changed |= reader.read(document, model);
        return changed;
    }
};

void FrameReadsUnchanged(benchmark::State& state)
{
    Library library;
    for (auto _ : state)
        benchmark::DoNotOptimize(library.frame());
}
BENCHMARK(FrameReadsUnchanged)->Unit(benchmark::kMicrosecond);

// A like changed in the document since the last frame (the dispatch itself is not timed).
void FrameReadsOneValueChanged(benchmark::State& state)
{
    Library library;
    bool liked = false;
    for (auto _ : state) {
        state.PauseTiming();
        VexaAction like = VexaAction::SetVideoLiked { padded_video_id(known_videos - 1), liked = !liked };
        (void)dispatch_vexa_action(library.document, like, {});
        state.ResumeTiming();
        if (!library.frame())
            state.SkipWithError("the read saw no change");
    }
}
BENCHMARK(FrameReadsOneValueChanged)->Unit(benchmark::kMicrosecond);

// The model lost one like (a local echo that the document undoes): the first read puts it back.
void FrameReadsLocalEchoUndone(benchmark::State& state)
{
    Library library;
    for (auto _ : state) {
        library.model.liked_videos.pop_back();
        if (!library.frame())
            state.SkipWithError("the read saw no change");
    }
}
BENCHMARK(FrameReadsLocalEchoUndone)->Unit(benchmark::kMicrosecond);

// The same two reads with nothing remembered between them: every part read from the document.
void FrameReadsWithoutMemory(benchmark::State& state)
{
    Library library;
    for (auto _ : state) {
        bool changed = read_shared_library(library.document, library.model);
        changed |= read_shared_library(library.document, library.model);
        benchmark::DoNotOptimize(changed);
    }
}
BENCHMARK(FrameReadsWithoutMemory)->Unit(benchmark::kMicrosecond);

enum class SaveAfter { No, Yes };

// One like dispatched (encode, transaction, write, commit) into the library document, and with
// SaveAfter::Yes the document saved to bytes: everything of a dispatch but the file write. Each
// iteration starts from the same document (copied untimed), so every one saves the same history
// plus one change.
void dispatch_like(benchmark::State& state, SaveAfter save)
{
    Library library;
    size_t iteration = 0;
    std::optional<automerge::Document> copy;
    for (auto _ : state) {
        state.PauseTiming();
        copy.emplace(library.document); // the previous copy is destroyed untimed too
        auto& document = *copy;
        VexaAction like = VexaAction::SetVideoLiked { .video_id = padded_video_id(iteration++ % known_videos), .liked = false };
        state.ResumeTiming();
        auto outcome = dispatch_vexa_action(document, like, dispatch_request(vexa_provenance_id, vexa_provenance_title, like));
        if (save == SaveAfter::Yes) {
            auto bytes = document.save();
            benchmark::DoNotOptimize(bytes);
        }
        if (!outcome || !outcome->change)
            state.SkipWithError("the like changed nothing");
        benchmark::DoNotOptimize(outcome);
    }
}

void DispatchLikeAndSave(benchmark::State& state) { dispatch_like(state, SaveAfter::Yes); }
BENCHMARK(DispatchLikeAndSave)->Unit(benchmark::kMicrosecond);

void DispatchLikeOnly(benchmark::State& state) { dispatch_like(state, SaveAfter::No); }
BENCHMARK(DispatchLikeOnly)->Unit(benchmark::kMicrosecond);

// The document core's share of DispatchLikeOnly: the same put and commit made directly, so
// the dispatch layer's own cost (encoding, context, executor, writer) is the difference.
void CorePutCommitOnly(benchmark::State& state)
{
    Library library;
    auto vexa = **library.document.get(automerge::ROOT, "vexa");
    auto likes = **library.document.get(vexa.object, "likes");
    size_t iteration = 0;
    std::optional<automerge::Document> copy;
    for (auto _ : state) {
        state.PauseTiming();
        copy.emplace(library.document);
        auto id = padded_video_id(iteration++ % known_videos);
        state.ResumeTiming();
        (void)copy->begin();
        (void)copy->put(likes.object, id, automerge::ScalarValue::boolean(false));
        automerge::CommitOptions options;
        options.message = std::string(vexa_action_kind);
        benchmark::DoNotOptimize(copy->commit(options));
    }
}
BENCHMARK(CorePutCommitOnly)->Unit(benchmark::kMicrosecond);

// Likes dispatched one after another into one document, which grows by a change each time.
void DispatchLikesInARow(benchmark::State& state)
{
    Library library;
    size_t iteration = 0;
    for (auto _ : state) {
        VexaAction like = VexaAction::SetVideoLiked { padded_video_id(iteration % known_videos), (iteration / known_videos) % 2 == 1 };
        ++iteration;
        auto outcome = dispatch_vexa_action(library.document, like, dispatch_request(vexa_provenance_id, vexa_provenance_title, like));
        benchmark::DoNotOptimize(outcome);
    }
}
BENCHMARK(DispatchLikesInARow)->Unit(benchmark::kMicrosecond);

// The atomic file write of the saved library (temporary file, flush, rename), in the folder
// LIBRARY_BENCH_DIR names (the reference writes in the same one), else the temporary folder.
void WriteLibraryFile(benchmark::State& state)
{
    Library library;
    auto bytes = library.document.save();
    char const* dir = std::getenv("LIBRARY_BENCH_DIR");
    auto path = std::filesystem::path(dir ? dir : std::filesystem::temp_directory_path().string()) / fmt::format("library-bench-{}.automerge", getpid());
    for (auto _ : state) {
        auto written = kaso::platform::write_file_atomically(path, std::as_bytes(std::span(bytes)), 0600);
        if (!written)
            state.SkipWithError(written.error().message.c_str());
    }
    state.counters["saved_bytes"] = static_cast<double>(bytes.size());
    std::filesystem::remove(path);
}
BENCHMARK(WriteLibraryFile)->Unit(benchmark::kMicrosecond);


// One like as the application dispatches it: onto the runtime's store, which takes the file's
// lock, checks whether another instance wrote the file, makes the change, saves and writes the
// file. Likes alternate so that every iteration changes the document.
void DispatchLikeThroughTheStore(benchmark::State& state)
{
    Library library;
    auto bytes = library.document.save();
    char const* dir = std::getenv("LIBRARY_BENCH_DIR");
    auto folder = std::filesystem::path(dir ? dir : std::filesystem::temp_directory_path().string()) / fmt::format("library-store-bench-{}", getpid());
    auto path = folder / "library.automerge";
    if (auto written = kaso::platform::write_file_atomically(path, std::as_bytes(std::span(bytes)), 0600); !written) {
        state.SkipWithError(written.error().message.c_str());
        return;
    }
    auto store = kaso::actions::LibraryStore::open_at(path);
    kaso::actions::ActionHost host;
    size_t iteration = 0;
    for (auto _ : state) {
        VexaAction like = VexaAction::SetVideoLiked { padded_video_id(iteration % known_videos), (iteration / known_videos) % 2 == 1 };
        ++iteration;
        auto dispatched = dispatch_vexa_action(host, store, like, dispatch_request(vexa_provenance_id, vexa_provenance_title, like));
        if (!dispatched)
            state.SkipWithError(dispatched.error().message.c_str());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(DispatchLikeThroughTheStore)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
