#include "src/diagnostics/DiagnosticMode.h"

#include <charconv>

#include "src/diagnostics/ContentProbes.h"
#include "src/diagnostics/EngineProbe.h"
#include "src/diagnostics/LiveShots.h"
#include "src/diagnostics/ScrollBench.h"

namespace vexa {

namespace {

SelectedMode selected_mode(DiagnosticMode mode, std::string value = {}, std::string query = {})
{
    return SelectedMode { .mode = mode, .value = std::move(value), .query = std::move(query) };
}

bool is_flag_with_value(std::string_view word, std::string_view flag)
{
    return word.size() > flag.size() && word.starts_with(flag) && word[flag.size()] == '=';
}

bool has_word(std::span<std::string const> command_line, std::string_view flag)
{
    for (auto const& word : command_line)
        if (word == flag)
            return true;
    return false;
}

// "--live-shots <dir> [query]" or "--live-shots=<dir> [query]"; a bare flag with nothing after it
// selects nothing.
std::optional<SelectedMode> live_shots_arg(std::span<std::string const> command_line)
{
    for (std::size_t i = 0; i < command_line.size(); ++i) {
        std::string_view word = command_line[i];
        std::size_t query_at = 0;
        std::string directory;
        if (word == "--live-shots") {
            if (i + 1 >= command_line.size())
                continue;
            directory = command_line[i + 1];
            query_at = i + 2;
        } else if (is_flag_with_value(word, "--live-shots")) {
            directory = std::string(word.substr(std::string_view("--live-shots=").size()));
            query_at = i + 1;
        } else {
            continue;
        }
        std::string query(default_search_query);
        if (query_at < command_line.size() && !command_line[query_at].starts_with("--"))
            query = command_line[query_at];
        return selected_mode(DiagnosticMode::LiveShots, std::move(directory), std::move(query));
    }
    return std::nullopt;
}

// Any text that is not an unsigned whole number gives the default.
uint64_t frame_count(std::string_view text)
{
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return default_bench_frames;
    return value;
}

std::optional<SelectedMode> bench_scroll_arg(std::span<std::string const> command_line)
{
    for (std::size_t i = 0; i < command_line.size(); ++i) {
        std::string_view word = command_line[i];
        uint64_t frames = default_bench_frames;
        if (word == "--bench-scroll") {
            if (i + 1 < command_line.size())
                frames = frame_count(command_line[i + 1]);
        } else if (is_flag_with_value(word, "--bench-scroll")) {
            frames = frame_count(word.substr(std::string_view("--bench-scroll=").size()));
        } else {
            continue;
        }
        auto selected = selected_mode(DiagnosticMode::BenchScroll);
        selected.frames = frames;
        selected.watch = has_word(command_line, "--watch");
        selected.loaded = has_word(command_line, "--loaded");
        return selected;
    }
    return std::nullopt;
}

std::optional<SelectedMode> with_value(DiagnosticMode mode, std::optional<std::string> value)
{
    if (!value)
        return std::nullopt;
    return selected_mode(mode, std::move(*value));
}

}

std::optional<std::string> flag_value(std::span<std::string const> command_line, std::string_view flag, std::string_view fallback)
{
    for (std::size_t i = 0; i < command_line.size(); ++i) {
        std::string_view word = command_line[i];
        if (word == flag) {
            if (i + 1 < command_line.size() && !command_line[i + 1].starts_with("--"))
                return command_line[i + 1];
            return std::string(fallback);
        }
        if (is_flag_with_value(word, flag)) {
            auto rest = word.substr(flag.size() + 1);
            return std::string(rest.empty() ? fallback : rest);
        }
    }
    return std::nullopt;
}

std::optional<std::string> probe_video_arg(std::span<std::string const> command_line, std::string_view flag)
{
    return flag_value(command_line, flag, default_probe_video_id);
}

std::optional<std::string> probe_query_arg(std::span<std::string const> command_line, std::string_view flag)
{
    return flag_value(command_line, flag, default_probe_query);
}

std::optional<SelectedMode> select_diagnostic_mode(std::span<std::string const> command_line)
{
    if (has_word(command_line, "--probe-trending"))
        return selected_mode(DiagnosticMode::ProbeTrending);
    for (auto flag : { "--probe-engine", "--probe-play", "--probe-stream", "--probe-gst" })
        if (auto selected = with_value(DiagnosticMode::ProbeEngine, probe_video_arg(command_line, flag)))
            return selected;
    if (auto selected = live_shots_arg(command_line))
        return selected;
    if (auto selected = with_value(DiagnosticMode::ProbeYtDlp, probe_query_arg(command_line, "--probe-ytdlp")))
        return selected;
    if (auto selected = with_value(DiagnosticMode::ProbeAvatars, probe_query_arg(command_line, "--probe-avatars")))
        return selected;
    if (auto selected = with_value(DiagnosticMode::Probe, flag_value(command_line, "--probe", default_search_query)))
        return selected;
    return bench_scroll_arg(command_line);
}

ModeOutcome run_diagnostic_mode(SelectedMode const& mode, DiagnosticEnvironment& environment)
{
    switch (mode.mode) {
    case DiagnosticMode::ProbeTrending:
        return run_probe_trending(environment);
    case DiagnosticMode::ProbeEngine:
        return run_probe_engine(environment, mode.value);
    case DiagnosticMode::LiveShots:
        return run_live_shots(environment, mode.value, mode.query);
    case DiagnosticMode::ProbeYtDlp:
        return run_probe_ytdlp(environment, mode.value);
    case DiagnosticMode::ProbeAvatars:
        return run_probe_avatars(environment, mode.value);
    case DiagnosticMode::Probe:
        return run_probe_search(environment, mode.value);
    case DiagnosticMode::BenchScroll:
        return run_bench_scroll_mode(environment.console, ScrollBenchScene { .frames = mode.frames, .watch = mode.watch, .loaded = mode.loaded });
    }
    return ExitStatus::Success;
}

}
