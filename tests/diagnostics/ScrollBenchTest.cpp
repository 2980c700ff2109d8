// The scroll benchmark over the sample catalogue: scrolled frames of Home and of a loaded Watch
// page skip the layout solve, a forced pass solves on every frame, and the report's lines.

#include <gtest/gtest.h>

#include <regex>

#include "src/diagnostics/Console.h"
#include "src/diagnostics/ScrollBench.h"

namespace vexa {
namespace {

TEST(ScrollBench, ScrollingSkipsTheSolveOnHomeAndOnALoadedWatchPage)
{
    for (auto scene : { ScrollBenchScene { .frames = 6 }, ScrollBenchScene { .frames = 6, .watch = true, .loaded = true } }) {
        SCOPED_TRACE(scroll_bench_description(scene));
        auto fast = run_scroll_bench(scene, LayoutSolve::WhenNeeded);
        ASSERT_TRUE(fast) << fast.error().message;
        EXPECT_TRUE(fast->fast_path);
        for (auto const* list : { &fast->sync_times, &fast->compute_times, &fast->apply_times, &fast->draw_times })
            EXPECT_EQ(list->size(), 6u);
        for (auto compute : fast->compute_times)
            EXPECT_EQ(compute.count(), 0);

        auto forced = run_scroll_bench(scene, LayoutSolve::EveryFrame);
        ASSERT_TRUE(forced) << forced.error().message;
        // Forced solves are still timed; the frames themselves needed none.
        EXPECT_TRUE(forced->fast_path);
        EXPECT_GT(max_duration(forced->compute_times).count(), 0);
    }
}

TEST(ScrollBench, NoFramesRunsOnlyTheWarmUpAndReportsZeros)
{
    RecordingConsole console;
    auto outcome = run_bench_scroll_mode(console, ScrollBenchScene { .frames = 0 });
    ASSERT_TRUE(outcome);
    EXPECT_EQ(*outcome, ExitStatus::Success);
    std::vector<RecordingConsole::Line> const expected {
        { Console::Stream::Out, "vexa scroll bench: 80 Home cards, 1280x900, 0 scroll frames" },
        { Console::Stream::Out, "" },
        { Console::Stream::Out, "  BASELINE (re-solve)  frame(total)  median  0.00ms  avg  0.00ms  max  0.00ms" },
        { Console::Stream::Out,
            "                         sync med/max  0.00/  0.00 | compute med/max  0.00/  0.00 | apply med/max  0.00/  0.00 | draw med/max  "
            "0.00/  0.00 ms" },
        { Console::Stream::Out, "  FAST (reposition)    frame(total)  median  0.00ms  avg  0.00ms  max  0.00ms" },
        { Console::Stream::Out,
            "                         sync med/max  0.00/  0.00 | compute med/max  0.00/  0.00 | apply med/max  0.00/  0.00 | draw med/max  "
            "0.00/  0.00 ms" },
        { Console::Stream::Out, "" },
        { Console::Stream::Out, "  scroll frames took the reposition-only fast path: NO — investigate" },
        { Console::Stream::Out, "  FAST-path median frame (incl. sync): 0.00ms  (sync med 0.00ms)" },
    };
    EXPECT_EQ(console.lines(), expected);
}

TEST(ScrollBench, ReportLinesOfAWatchRun)
{
    RecordingConsole console;
    auto outcome = run_bench_scroll_mode(console, ScrollBenchScene { .frames = 3, .watch = true });
    ASSERT_TRUE(outcome);
    auto const& lines = console.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0].text, "vexa scroll bench: watch page (player + 60 comments), 1280x900, 3 scroll frames");
    std::regex const total(R"(  FAST \(reposition\)    frame\(total\)  median [ \d]*\d\.\d\dms  avg [ \d]*\d\.\d\dms  max [ \d]*\d\.\d\dms)");
    EXPECT_TRUE(std::regex_match(lines[4].text, total)) << lines[4].text;
    EXPECT_EQ(lines[7].text, "  scroll frames took the reposition-only fast path: yes (compute_layout skipped)");
    for (auto const& line : lines)
        EXPECT_EQ(line.stream, Console::Stream::Out);
}

}
}
