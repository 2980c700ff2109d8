#include "src/diagnostics/DiagnosticMode.h"

#include <array>
#include <utility>

namespace vexa {

namespace {

// Each flag with its mode, in the order of selection. The media engine probe answers to four
// names.
constexpr std::array<std::pair<std::string_view, DiagnosticMode>, 10> modes { {
    { "--probe-trending", DiagnosticMode::ProbeTrending },
    { "--probe-engine", DiagnosticMode::ProbeEngine },
    { "--probe-play", DiagnosticMode::ProbeEngine },
    { "--probe-stream", DiagnosticMode::ProbeEngine },
    { "--probe-gst", DiagnosticMode::ProbeEngine },
    { "--live-shots", DiagnosticMode::LiveShots },
    { "--probe-ytdlp", DiagnosticMode::ProbeYtDlp },
    { "--probe-avatars", DiagnosticMode::ProbeAvatars },
    { "--probe", DiagnosticMode::Probe },
    { "--bench-scroll", DiagnosticMode::BenchScroll },
} };

bool carries_flag(std::span<std::string const> command_line, std::string_view flag)
{
    for (std::size_t i = 1; i < command_line.size(); ++i) {
        std::string_view word = command_line[i];
        if (word == flag || (word.starts_with(flag) && word.size() > flag.size() && word[flag.size()] == '='))
            return true;
    }
    return false;
}

}

std::optional<DiagnosticMode> select_diagnostic_mode(std::span<std::string const> command_line)
{
    for (auto const& [flag, mode] : modes)
        if (carries_flag(command_line, flag))
            return mode;
    return std::nullopt;
}

std::string_view diagnostic_mode_flag(DiagnosticMode mode)
{
    for (auto const& [flag, candidate] : modes)
        if (candidate == mode)
            return flag;
    return {};
}

kaso::ErrorOr<void> run_diagnostic_mode(DiagnosticMode mode, std::span<std::string const>)
{
    return kaso::make_error(fmt::format("{} is not available in this build", diagnostic_mode_flag(mode)));
}

}
