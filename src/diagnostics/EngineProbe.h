#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "src/diagnostics/ModeOutcome.h"

namespace vexa {

class ContentBackend;
struct DiagnosticEnvironment;
struct ServiceSettings;

// A directly playable stream of a video: yt-dlp's, else one an Invidious instance serves.
struct ResolvedStream {
    std::string url;
    std::string quality;
};
std::optional<ResolvedStream> resolve_probe_stream(ContentBackend& backend, ServiceSettings const& settings, std::string const& video_id);

// A 64-bit checksum over every 97th byte of a picture, starting with the first (FNV-1a's step).
uint64_t frame_checksum(std::span<uint8_t const> bytes);

// "--probe-engine" (and its other names): plays the video's stream in a new media engine for the
// whole of `play_for` and counts the distinct pictures; `ExitStatus::NoFrame` when none came.
ModeOutcome run_probe_engine(DiagnosticEnvironment& environment, std::string const& video_id,
    std::chrono::milliseconds play_for = std::chrono::seconds(20));

}
