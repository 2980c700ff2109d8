// The media engine probe against a real WebM clip served over loopback HTTP, the stream resolved
// through the stand-in yt-dlp. Each played scenario runs the probe's full 20 seconds.

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include <unistd.h>

#include "src/diagnostics/EngineProbe.h"
#include "tests/diagnostics/DiagnosticServices.h"
#include "tests/media/ClipServer.h"

namespace vexa {
namespace {

using testing::DiagnosticServices;
using Stream = Console::Stream;

std::string source_line(std::string const& address)
{
    return "\"" + address + "\"\t320\t240\t30\t\"240p\"\t\"320x240\"\t\"webm\"\t\"vp8\"\t\"vorbis\"\n";
}

struct PlayedProbe {
    ModeOutcome outcome;
    std::vector<RecordingConsole::Line> lines;
    std::chrono::steady_clock::duration took;
};

PlayedProbe play(std::string const& path)
{
    auto clip = kaso::media::testing::make_webm_clip(std::filesystem::temp_directory_path() / ("vexa-diagnostics-clips-" + std::to_string(::getpid())), 3);
    EXPECT_FALSE(clip.empty());
    kaso::media::testing::ClipServer clips(clip);
    EXPECT_TRUE(clips.is_running());
    DiagnosticServices services;
    services.answer_ytdlp("source", source_line(clips.address_of(path)));
    auto start = std::chrono::steady_clock::now();
    auto outcome = run_probe_engine(services.environment(), "clipid");
    return { std::move(outcome), services.console().lines(), std::chrono::steady_clock::now() - start };
}

TEST(EngineProbe, PlaysARealClipAndCountsDistinctPictures)
{
    auto played = play("/clip.webm");
    ASSERT_TRUE(played.outcome) << played.outcome.error().message;
    EXPECT_EQ(*played.outcome, ExitStatus::Success);
    EXPECT_GE(played.took, std::chrono::seconds(20));
    auto const& lines = played.lines;
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], (RecordingConsole::Line { Stream::Err, "probe-engine: constructing the yt-dlp backend…" }));
    EXPECT_TRUE(std::regex_match(lines[1].text, std::regex(R"(probe-engine: resolved 240p; url\(host\)=http://127\.0\.0\.1:\d+/clip\.webm)")))
        << lines[1].text;
    EXPECT_EQ(lines[2].text, "probe-engine: engine real_decode=true (decode compiled=true)");

    std::regex const frame(R"(  frame (\d): 320x240 pts=\d+ms checksum=0x[0-9a-f]{16})");
    std::regex const summary(R"(probe-engine: (\d+) DISTINCT frames; final pos=\d+ms dur=Some\(\d+\)ms buffering=\d+%)");
    int frame_lines = 0;
    int distinct = -1;
    for (auto const& line : lines) {
        std::smatch match;
        if (std::regex_match(line.text, match, frame)) {
            EXPECT_EQ(match[1].str(), std::to_string(++frame_lines));
        }
        if (std::regex_match(line.text, match, summary))
            distinct = std::stoi(match[1].str());
        EXPECT_EQ(line.text.find("ENGINE ERROR"), std::string::npos) << line.text;
    }
    // A moving picture: many distinct frames, of which only the first three are printed.
    EXPECT_EQ(frame_lines, 3);
    EXPECT_GT(distinct, 3);
    EXPECT_EQ(lines.back(), (RecordingConsole::Line { Stream::Out,
                                fmt::format("probe-engine: REAL playback through the media engine — {} distinct pictures.", distinct) }));
}

TEST(EngineProbe, AnUnplayableStreamEndsWithStatusThreeAfterTheFullTime)
{
    auto played = play("/page.html");
    ASSERT_TRUE(played.outcome) << played.outcome.error().message;
    EXPECT_EQ(*played.outcome, ExitStatus::NoFrame);
    EXPECT_GE(played.took, std::chrono::seconds(20));
    auto const& lines = played.lines;
    ASSERT_GE(lines.size(), 5u);
    bool reported_error = false;
    for (auto const& line : lines) {
        if (line.text.starts_with("probe-engine: ENGINE ERROR: ")) {
            EXPECT_EQ(line.stream, Stream::Err);
            reported_error = true;
        }
    }
    EXPECT_TRUE(reported_error);
    EXPECT_TRUE(std::regex_match(lines[lines.size() - 2].text,
        std::regex(R"(probe-engine: 0 DISTINCT frames; final pos=\d+ms dur=(None|Some\(\d+\))ms buffering=\d+%)")))
        << lines[lines.size() - 2].text;
    EXPECT_EQ(lines.back(), (RecordingConsole::Line { Stream::Err,
                                "probe-engine: the media engine produced NO frame (errored=true) — reported honestly, not faked." }));
}

TEST(EngineProbe, NoStreamAnywhereIsAnError)
{
    DiagnosticServices services;
    // yt-dlp resolves nothing and the loopback Invidious instance answers 404.
    auto outcome = run_probe_engine(services.environment(), "clipid");
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error().message, "no directly-playable stream resolved");
    EXPECT_EQ(services.transcript(), (std::vector<std::string> { "err: probe-engine: constructing the yt-dlp backend…" }));

    services.break_ytdlp_version();
    auto unbuilt = run_probe_engine(services.environment(), "clipid");
    ASSERT_FALSE(unbuilt);
    EXPECT_EQ(unbuilt.error().message, "yt-dlp backend: yt-dlp --version failed");
}

}
}
