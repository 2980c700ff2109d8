#include <gtest/gtest.h>

#include "src/diagnostics/DiagnosticMode.h"

using vexa::DiagnosticMode;

TEST(DiagnosticMode, FirstModeInSelectionOrderWins)
{
    struct Case {
        std::vector<std::string> command_line;
        std::optional<DiagnosticMode> expected;
    };
    std::vector<Case> cases = {
        { { "vexa" }, std::nullopt },
        { { "vexa", "--narrow" }, std::nullopt },
        { { "vexa", "--bench-scroll", "--probe-trending" }, DiagnosticMode::ProbeTrending },
        { { "vexa", "--probe", "--probe-ytdlp" }, DiagnosticMode::ProbeYtDlp },
        { { "vexa", "--probe-gst" }, DiagnosticMode::ProbeEngine },
        { { "vexa", "--probe-stream=abc" }, DiagnosticMode::ProbeEngine },
        { { "vexa", "--probe=lofi" }, DiagnosticMode::Probe },
        { { "vexa", "--probe-x" }, std::nullopt },
        { { "--probe" }, std::nullopt }, // the program name is never a flag
        { { "vexa", "--live-shots", "out" }, DiagnosticMode::LiveShots },
    };
    for (auto const& c : cases)
        EXPECT_EQ(vexa::select_diagnostic_mode(c.command_line), c.expected) << c.command_line.back();
}
