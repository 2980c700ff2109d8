#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kaso/platform/Error.h"
#include "src/diagnostics/ModeOutcome.h"
#include "src/model/VexaModel.h"

namespace vexa {

class Console;

// The benchmark's window.
inline constexpr int bench_width = 1280;
inline constexpr int bench_height = 900;
inline constexpr std::size_t bench_home_cards = 80;
inline constexpr std::size_t bench_watch_comments = 60;

// What one run scrolls: the Home page of 80 cards, or with `watch` a Watch page of 60 comments,
// its player loaded and paused with `loaded` too.
struct ScrollBenchScene {
    uint64_t frames { 90 };
    bool watch { false };
    bool loaded { false };
};

using BenchDuration = std::chrono::microseconds;

// One pass: a time per frame for each phase, and whether any frame found that its layout needed
// no new solve (the re-solve then counts 0).
struct ScrollBenchStats {
    std::vector<BenchDuration> sync_times;
    std::vector<BenchDuration> compute_times;
    std::vector<BenchDuration> apply_times;
    std::vector<BenchDuration> draw_times;
    bool fast_path { false };
};

// The scene's description in the header line.
std::string scroll_bench_description(ScrollBenchScene const& scene);

// The models the scenes scroll: the sample catalogue, padded with renamed copies to 80 videos;
// or the first video with comments given 60 of them by repeating its own, the route on it.
VexaModel bench_home_model();
VexaModel bench_watch_model();

// The median (the upper one of an even count) and the largest; 0 for no durations.
BenchDuration median_duration(std::span<BenchDuration const> durations);
BenchDuration max_duration(std::span<BenchDuration const> durations);

// When a pass solves the layout: only on frames whose layout needs it, or on every frame.
enum class LayoutSolve {
    WhenNeeded,
    EveryFrame,
};

// One pass of the scene's frames.
kaso::ErrorOr<ScrollBenchStats> run_scroll_bench(ScrollBenchScene const& scene, LayoutSolve solve);
void print_scroll_bench_report(Console& console, std::string_view label, ScrollBenchStats const& stats);

// "--bench-scroll": the forced pass, the free pass and the verdict on the free one.
ModeOutcome run_bench_scroll_mode(Console& console, ScrollBenchScene const& scene);

}
