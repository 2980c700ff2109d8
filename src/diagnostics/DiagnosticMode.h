#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kaso/platform/Error.h"

namespace vexa {

// The command-line modes that run instead of the window, in the order they are tried.
enum class DiagnosticMode {
    ProbeTrending,
    ProbeEngine,
    LiveShots,
    ProbeYtDlp,
    ProbeAvatars,
    Probe,
    BenchScroll,
};

// The first mode whose flag the command line (program name first) carries. A flag counts as a
// bare word or joined to a value by "=".
std::optional<DiagnosticMode> select_diagnostic_mode(std::span<std::string const> command_line);

std::string_view diagnostic_mode_flag(DiagnosticMode mode);

// Runs the mode to its end.
kaso::ErrorOr<void> run_diagnostic_mode(DiagnosticMode mode, std::span<std::string const> command_line);

}
