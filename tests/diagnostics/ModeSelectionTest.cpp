// Which diagnostic mode a command line selects, and what each reads from it.

#include <gtest/gtest.h>

#include "src/diagnostics/DiagnosticMode.h"

namespace vexa {
namespace {

std::optional<SelectedMode> select(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "vexa");
    return select_diagnostic_mode(arguments);
}

SelectedMode mode(DiagnosticMode kind, std::string value = {}, std::string query = {})
{
    return SelectedMode { .mode = kind, .value = std::move(value), .query = std::move(query) };
}

struct BenchArguments {
    uint64_t frames { 0 };
    bool watch { false };
    bool loaded { false };
};

SelectedMode bench(BenchArguments arguments)
{
    return SelectedMode { .mode = DiagnosticMode::BenchScroll, .frames = arguments.frames, .watch = arguments.watch, .loaded = arguments.loaded };
}

TEST(ModeSelection, FirstModeInTheOrderWinsWithItsValue)
{
    std::string const video(default_probe_video_id);
    std::string const query(default_probe_query);
    struct Case {
        std::vector<std::string> arguments;
        std::optional<SelectedMode> expected;
    };
    Case const cases[] = {
        { {}, std::nullopt },
        { { "--narrow", "--route", "home" }, std::nullopt },
        { { "--bench-scroll", "--probe-trending" }, mode(DiagnosticMode::ProbeTrending) },
        // "--probe-trending" is matched whole only.
        { { "--probe-trending=x" }, std::nullopt },
        { { "--probe", "--probe-ytdlp" }, mode(DiagnosticMode::ProbeYtDlp, query) },
        // The engine probe's four names, the first in their order read.
        { { "--probe-gst", "g", "--probe-play", "p" }, mode(DiagnosticMode::ProbeEngine, "p") },
        { { "--probe-engine", "--watch" }, mode(DiagnosticMode::ProbeEngine, video) },
        { { "--probe-engine=" }, mode(DiagnosticMode::ProbeEngine, video) },
        { { "--probe-engine=abc" }, mode(DiagnosticMode::ProbeEngine, "abc") },
        { { "--probe-stream", "abc" }, mode(DiagnosticMode::ProbeEngine, "abc") },
        { { "--probe-engine" }, mode(DiagnosticMode::ProbeEngine, video) },
        // Live shots need a directory; the query follows it unless it is a flag.
        { { "--live-shots" }, std::nullopt },
        { { "--live-shots", "out" }, mode(DiagnosticMode::LiveShots, "out", "rust programming") },
        { { "--live-shots", "out", "--probe" }, mode(DiagnosticMode::LiveShots, "out", "rust programming") },
        { { "--live-shots", "out", "cats" }, mode(DiagnosticMode::LiveShots, "out", "cats") },
        { { "--live-shots=shots", "cats" }, mode(DiagnosticMode::LiveShots, "shots", "cats") },
        { { "--probe-ytdlp=lofi" }, mode(DiagnosticMode::ProbeYtDlp, "lofi") },
        { { "--probe-avatars", "cats" }, mode(DiagnosticMode::ProbeAvatars, "cats") },
        { { "--probe" }, mode(DiagnosticMode::Probe, "rust programming") },
        { { "--probe=" }, mode(DiagnosticMode::Probe, "rust programming") },
        { { "--probe", "--bench-scroll" }, mode(DiagnosticMode::Probe, "rust programming") },
        { { "--probe=lofi beats" }, mode(DiagnosticMode::Probe, "lofi beats") },
        { { "--probes" }, std::nullopt },
        { { "--probe-x" }, std::nullopt },
        { { "--bench-scroll" }, bench({ .frames = 90 }) },
        { { "--bench-scroll", "fast" }, bench({ .frames = 90 }) },
        { { "--bench-scroll", "-5" }, bench({ .frames = 90 }) },
        { { "--bench-scroll", "12x" }, bench({ .frames = 90 }) },
        { { "--bench-scroll=5" }, bench({ .frames = 5 }) },
        { { "--bench-scroll", "0", "--loaded" }, bench({ .frames = 0, .loaded = true }) },
        { { "--watch", "--bench-scroll", "7", "--loaded" }, bench({ .frames = 7, .watch = true, .loaded = true }) },
        { { "--bench-scroll", "99999999999999999999999" }, bench({ .frames = 90 }) },
    };
    for (auto const& c : cases) {
        std::string shown;
        for (auto const& argument : c.arguments)
            shown += argument + " ";
        EXPECT_EQ(select(c.arguments), c.expected) << shown;
    }
}

TEST(ModeSelection, TheProgramNameIsSearchedToo)
{
    std::vector<std::string> const command_line { "--probe", "x" };
    EXPECT_EQ(select_diagnostic_mode(command_line), mode(DiagnosticMode::Probe, "x"));
    EXPECT_EQ(probe_video_arg(command_line, "--probe-engine"), std::nullopt);
}

}
}
