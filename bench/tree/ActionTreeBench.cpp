// The whole resource tree, every action's encoded JSON included, for a large library: 10,000
// videos, 1,000 creators and 1,000 playlists, every collection past its cut of 100, and the
// Watch page of a video with 50 comments. The runtime asks for the tree whenever it lists or
// checks actions, so one build must stay well inside a frame.

#include <atomic>
#include <cstdlib>
#include <new>

#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include "src/app/ActionTree.h"
#include "src/app/DeviceSync.h"
#include "src/model/VexaModel.h"

namespace {

// Every allocation of the process is counted, so a build reports how many it made.
std::atomic<std::size_t> s_allocations { 0 };

}

[[gnu::noinline]] void* operator new(std::size_t size)
{
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

vexa::VexaModel large_model()
{
    auto model = vexa::VexaModel::empty();
    constexpr int videos = 10'000;
    constexpr int creators = 1'000;
    constexpr int playlists = 1'000;
    for (int i = 0; i < videos; ++i) {
        vexa::Video video;
        video.id = fmt::format("vid{:08}", i);
        video.title = fmt::format("A video title of ordinary length, number {}", i);
        video.channel_id = fmt::format("UC{:08}", i % creators);
        video.channel_name = fmt::format("Creator {}", i % creators);
        model.videos.push_back(std::move(video));
    }
    for (int i = 0; i < creators; ++i) {
        vexa::Channel channel;
        channel.id = fmt::format("UC{:08}", i);
        channel.name = fmt::format("Creator {}", i);
        channel.handle = fmt::format("@creator{}", i);
        model.channels.push_back(std::move(channel));
    }
    for (int i = 0; i < playlists; ++i) {
        vexa::Playlist playlist;
        playlist.id = fmt::format("PL{:08}", i);
        playlist.title = fmt::format("Playlist {}", i);
        model.playlists.push_back(std::move(playlist));
    }
    // Every collection past its cut, its items from the far end of the lists.
    for (int i = 0; i < 150; ++i) {
        model.subscriptions.push_back(fmt::format("UC{:08}", creators - 1 - i));
        model.queue.push_back(fmt::format("vid{:08}", videos - 1 - i));
        model.history.push_back(fmt::format("vid{:08}", videos - 1 - 2 * i));
        model.search_video_ids.push_back(fmt::format("vid{:08}", videos / 2 + i));
        model.search_playlist_ids.push_back(fmt::format("PL{:08}", playlists - 1 - i));
        model.search_channel_ids.push_back(fmt::format("UC{:08}", creators / 2 + i));
        model.liked_videos.push_back(fmt::format("vid{:08}", 3 * i));
    }
    model.search_query = "ordinary";
    auto& watched = model.videos[videos / 2];
    for (int i = 0; i < 50; ++i) {
        vexa::Comment comment;
        comment.author = fmt::format("Commenter {}", i);
        comment.initials = "C";
        comment.text = fmt::format("A comment of a few words that runs past the label cut, number {}", i);
        comment.time_ago = "3 days ago";
        watched.comments.push_back(std::move(comment));
    }
    model.route = vexa::Route::watch(watched.id);
    return model;
}

// One build and its release, kept out of line so an instruction count can single it out
// (valgrind --tool=callgrind --toggle-collect='*build_and_release*').
[[gnu::noinline]] std::size_t build_and_release(vexa::VexaModel const& model, vexa::sync::DeviceSyncStatus const& status)
{
    auto trees = vexa::action_resource_trees(model, status);
    benchmark::DoNotOptimize(trees);
    return trees.front().children.size();
}

void BM_WholeActionTree(benchmark::State& state)
{
    auto model = large_model();
    auto device_sync = vexa::demo_device_sync(1'000'000);
    std::size_t resources = 0;
    auto allocations_before = s_allocations.load();
    for (auto _ : state)
        resources = build_and_release(model, device_sync.status());
    state.counters["root_children"] = static_cast<double>(resources);
    state.counters["allocations"] = benchmark::Counter(static_cast<double>(s_allocations.load() - allocations_before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WholeActionTree)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}

BENCHMARK_MAIN();
