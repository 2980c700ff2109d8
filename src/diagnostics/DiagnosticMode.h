#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "src/backend/ServiceSettings.h"
#include "src/diagnostics/ModeOutcome.h"

namespace vexa {

class Console;

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

// The public video the engine probe and the watch still play, and the search of the yt-dlp and
// avatar probes, when the command line names none.
inline constexpr std::string_view default_probe_video_id { "aqz-KE-bpKQ" };
inline constexpr std::string_view default_probe_query { "big buck bunny" };
// The search of "--probe" and "--live-shots" when none is given.
inline constexpr std::string_view default_search_query { "rust programming" };
inline constexpr uint64_t default_bench_frames = 90;

// One mode as the command line selects it, with what it reads from there.
struct SelectedMode {
    DiagnosticMode mode;
    std::string value {};  // the video id, query or output directory; empty for the others
    std::string query {};  // "--live-shots" only: the search after the directory
    uint64_t frames { 0 }; // "--bench-scroll" only
    bool watch { false };  // "--bench-scroll --watch"
    bool loaded { false }; // "--bench-scroll --loaded"
    bool operator==(SelectedMode const&) const = default;
};

// The first argument (the program name included) that is `flag` or `flag=...`: the next argument
// when it exists and is no "--" flag, else `fallback`; after "=", the rest, or `fallback` when
// empty. None when no argument names the flag.
std::optional<std::string> flag_value(std::span<std::string const> command_line, std::string_view flag, std::string_view fallback);
std::optional<std::string> probe_video_arg(std::span<std::string const> command_line, std::string_view flag);
std::optional<std::string> probe_query_arg(std::span<std::string const> command_line, std::string_view flag);

// The first mode, in the order of selection, that the command line carries.
std::optional<SelectedMode> select_diagnostic_mode(std::span<std::string const> command_line);

// What every mode reaches the outside through: the services' addresses (yt-dlp's program among
// them) and the console. The program passes the public services and its own streams.
struct DiagnosticEnvironment {
    ServiceSettings settings;
    Console& console;
};

// Runs the mode to its end and says how it ended; it never ends the process itself.
ModeOutcome run_diagnostic_mode(SelectedMode const& mode, DiagnosticEnvironment& environment);

}
