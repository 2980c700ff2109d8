// (a) Upserting 20,000 synthetic entries into a new search catalogue, and a limited search over
//     them; (b) one keystroke of the action palette over a model of 20,000 videos and 2,000
//     creators: its content search and its rows, without the page underneath.

#include <benchmark/benchmark.h>

#include <optional>

#include <fmt/format.h>

#include "kaso/search/SearchCatalog.h"
#include "kaso/ui/LocalTextCell.h"
#include "src/model/VexaModel.h"
#include "src/screens/ActionPalette.h"

namespace {

using namespace vexa;

constexpr std::size_t entry_count = 20'000;
constexpr std::size_t creator_count = 2'000;

struct Entry {
    std::string key;
    std::string text;
    kaso::search::SearchResult result;
};

// Titles of a few words drawn from a small vocabulary, as real titles repeat words.
std::string title_of(std::size_t i)
{
    static constexpr char const* words[] = { "night", "train", "kitchen", "garden", "orbit", "circuit", "retro", "walk", "comet", "bass",
        "pixel", "donut", "river", "forest", "engine", "studio" };
    return fmt::format("{} {} {} part {}", words[i % 16], words[(i / 16) % 16], words[(i / 256) % 16], i);
}

std::vector<Entry> synthetic_entries()
{
    std::vector<Entry> entries;
    entries.reserve(entry_count);
    for (std::size_t i = 0; i < entry_count; ++i) {
        auto resource = fmt::format("vexa.video:vid_{}", i);
        auto creator = fmt::format("Creator {}", i % creator_count);
        auto title = title_of(i);
        std::string text = title + '\0' + creator + '\0' + fmt::format("vid_{}", i);
        entries.push_back({ resource + "#open", std::move(text), { title, creator, "Videos", resource, "open", 74 } });
    }
    return entries;
}

void catalog_upsert_20000(benchmark::State& state)
{
    auto const entries = synthetic_entries();
    std::optional<kaso::search::SearchCatalog> catalog;
    for (auto _ : state) {
        // Copying the entries and dropping the last catalogue are not timed.
        state.PauseTiming();
        auto copies = entries;
        catalog.reset();
        catalog.emplace("Vexa");
        state.ResumeTiming();
        for (auto& entry : copies)
            benchmark::DoNotOptimize(catalog->upsert(std::move(entry.key), std::move(entry.text), std::move(entry.result)));
    }
    state.SetItemsProcessed(int64_t(state.iterations() * entry_count));
}
BENCHMARK(catalog_upsert_20000)->Unit(benchmark::kMillisecond);

void catalog_search_limited(benchmark::State& state)
{
    kaso::search::SearchCatalog catalog("Vexa");
    for (auto& entry : synthetic_entries())
        (void)catalog.upsert(std::move(entry.key), std::move(entry.text), std::move(entry.result));
    static constexpr char const* queries[] = { "night train", "kit", "creator 1999", "zzz" };
    auto const* query = queries[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(catalog.search_limited(query, 50));
    state.SetLabel(query);
}
BENCHMARK(catalog_search_limited)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

VexaModel large_model()
{
    auto model = VexaModel::empty();
    model.videos.reserve(entry_count);
    for (std::size_t i = 0; i < entry_count; ++i) {
        Video video;
        video.id = fmt::format("vid_{}", i);
        video.title = title_of(i);
        video.channel_name = fmt::format("Creator {}", i % creator_count);
        video.category = "Science";
        video.duration = uint32_t(60 + i % 3600);
        video.seed = video.id;
        model.videos.push_back(std::move(video));
    }
    for (std::size_t i = 0; i < creator_count; ++i) {
        Channel channel;
        channel.id = fmt::format("ch_{}", i);
        channel.name = fmt::format("Creator {}", i);
        channel.handle = fmt::format("@creator{}", i);
        model.channels.push_back(std::move(channel));
    }
    model.palette_open = true;
    return model;
}

// The queries: one that every video holds (the search stops early), one that the last videos
// hold, one only a handle holds, and one that nothing holds (every video is looked at).
void palette_keystroke(benchmark::State& state)
{
    static auto model = large_model();
    static constexpr char const* queries[] = { "part", "part 19999", "@creator7", "no such words" };
    model.palette_query = queries[state.range(0)];
    auto queue = OperationQueue::create();
    auto cell = kaso::ui::LocalTextCell::create(model.palette_query);
    auto theme = kaso::ui::Theme::dark();
    for (auto _ : state)
        benchmark::DoNotOptimize(action_palette(model, theme, queue, cell));
    state.SetLabel(queries[state.range(0)]);
}
BENCHMARK(palette_keystroke)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
