#pragma once

#include <filesystem>
#include <string>

#include "src/backend/ServiceSettings.h"
#include "src/diagnostics/Console.h"
#include "src/diagnostics/DiagnosticMode.h"
#include "tests/backend/innertube/InnertubeService.h"

namespace vexa::testing {

// Every service a diagnostic mode reaches, on loopback: innertube and the image host on one
// server, and the stand-in yt-dlp answering from files this fixture writes. Fixture texts may
// name the server as "@ORIGIN@". KASO_VEXA_INVIDIOUS is unset for the fixture's life.
class DiagnosticServices {
public:
    DiagnosticServices();
    ~DiagnosticServices();

    std::string origin() const { return m_innertube.origin(); }
    InnertubeService& innertube() { return m_innertube; }
    LoopbackServer& server() { return m_innertube.server(); }

    // Innertube answers `key` ("search:<query>", "browse:<id>", "next:<id>") with the named
    // fixture of tests/diagnostics/fixtures/innertube.
    void serve_innertube(std::string const& key, std::string const& fixture);
    // yt-dlp answers runs of `kind` ("search", "video", "channel", "playlist", "source") with `text`.
    void answer_ytdlp(std::string const& kind, std::string const& text);
    void break_ytdlp_version();
    // A PNG of one colour at `path`.
    void serve_image(std::string const& path, uint8_t red, uint8_t green, uint8_t blue, int width = 64, int height = 36);

    RecordingConsole& console() { return m_console; }
    DiagnosticEnvironment& environment() { return m_environment; }
    // What the console recorded, one "out: " or "err: " line each.
    std::vector<std::string> transcript() const;

private:
    std::string with_origin(std::string text) const;

    InnertubeService m_innertube;
    std::filesystem::path m_ytdlp_dir;
    RecordingConsole m_console;
    DiagnosticEnvironment m_environment;
};

std::filesystem::path source_dir();

}
