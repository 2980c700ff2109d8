// Stills written by `write_shot`: offscreen pages of the sample catalogue against their
// references, a file that cannot be written, and the live stills against loopback services with
// a real WebM clip for the Watch page.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include <unistd.h>

#include "src/app/VexaApp.h"
#include "src/diagnostics/LiveShots.h"
#include "src/diagnostics/Shots.h"
#include "tests/diagnostics/DiagnosticServices.h"
#include "tests/media/ClipServer.h"
#include "tests/screens/ReferenceShot.h"

namespace vexa {
namespace {

using testing::DiagnosticServices;

std::filesystem::path scratch(std::string const& name)
{
    auto dir = std::filesystem::temp_directory_path() / ("vexa-diagnostics-shots-" + std::to_string(::getpid())) / name;
    std::filesystem::remove_all(dir);
    return dir;
}

std::unique_ptr<VexaApp> sample_app(Route route)
{
    auto app = VexaApp::create_for_diagnostics();
    auto model = app->model();
    model.route = std::move(route);
    if (model.route.kind == RouteKind::Search)
        model.search_text = model.route.text;
    app->set_viewport(shot_width, shot_height).with_model(std::move(model));
    return app;
}

TEST(WriteShot, OffscreenPagesMatchTheirReferences)
{
    struct Page {
        char const* name;
        Route route;
    };
    Page const pages[] = {
        { "home", Route::home() },
        { "trending", Route::trending() },
        { "subscriptions", Route::subscriptions() },
        { "search", Route::search("rust") },
        { "watch", Route::watch("") },
    };
    auto dir = scratch("offscreen");
    for (auto const& page : pages) {
        SCOPED_TRACE(page.name);
        auto route = page.route;
        if (route.kind == RouteKind::Watch)
            route = Route::watch(sample_app(Route::home())->model().videos.front().id);
        RecordingConsole console;
        auto path = dir / (std::string(page.name) + ".png");
        auto written = write_shot(sample_app(route), path, console);
        ASSERT_TRUE(written) << written.error().message;
        EXPECT_EQ(console.lines(), (std::vector<RecordingConsole::Line> { { Console::Stream::Out, "vexa: wrote shot to " + path.string() } }));
        auto picture = test::read_png(path);
        ASSERT_TRUE(picture) << picture.error().message;
        EXPECT_EQ(picture->width, shot_width);
        EXPECT_EQ(picture->height, shot_height);
        test::expect_matches_reference(*picture, testing::source_dir() / "tests/fixtures/diagnostics" / (std::string(page.name) + "-dark.png"));
    }
}

TEST(WriteShot, AFileThatCannotBeWrittenIsAnErrorAndNothingSaysWrote)
{
    auto dir = scratch("blocked");
    std::filesystem::create_directories(dir);
    // The parent is a plain file: neither it nor the still can be made.
    std::ofstream(dir / "file") << "x";
    RecordingConsole console;
    auto path = dir / "file" / "home.png";
    auto written = write_shot(sample_app(Route::home()), path, console);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().message.starts_with("could not write shot " + path.string() + ": ")) << written.error().message;
    EXPECT_TRUE(console.lines().empty());
}

// Pixels of the picture within `area` close to the colour.
std::size_t pixels_like(kaso::ui::Image const& picture, uint8_t red, uint8_t green, uint8_t blue, kaso::ui::Rect area)
{
    std::size_t count = 0;
    for (int y = int(area.y0); y < int(area.y1) && y < picture.height; ++y)
        for (int x = int(area.x0); x < int(area.x1) && x < picture.width; ++x) {
            auto const* p = picture.data() + std::size_t(y) * std::size_t(picture.stride) + std::size_t(x) * 4;
            if (std::abs(p[2] - red) < 12 && std::abs(p[1] - green) < 12 && std::abs(p[0] - blue) < 12)
                ++count;
        }
    return count;
}

std::size_t distinct_colours(kaso::ui::Image const& picture, kaso::ui::Rect area)
{
    std::set<uint32_t> colours;
    for (int y = int(area.y0); y < int(area.y1) && y < picture.height; y += 2)
        for (int x = int(area.x0); x < int(area.x1) && x < picture.width; x += 2) {
            auto const* p = picture.data() + std::size_t(y) * std::size_t(picture.stride) + std::size_t(x) * 4;
            colours.insert(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16);
        }
    return colours.size();
}

TEST(LiveShots, WritesTheFourStillsFromLoopbackServices)
{
    auto clip = kaso::media::testing::make_webm_clip(std::filesystem::temp_directory_path() / ("vexa-diagnostics-clips-" + std::to_string(::getpid())), 42);
    ASSERT_FALSE(clip.empty());
    kaso::media::testing::ClipServer clips(clip);
    ASSERT_TRUE(clips.is_running());

    DiagnosticServices services;
    std::string const watch_id(default_probe_video_id);
    services.answer_ytdlp("video", "\"" + watch_id + "\"\t\"Live clip\"\t\"Clip Maker\"\t\"UCclip\"\t\"@clip\"\t99\t5\t42\t\"20240101\"\t\"A clip\"\tfalse\n");
    services.answer_ytdlp("source", "\"" + clips.address_of("/clip.webm") + "\"\t320\t240\t30\t\"240p\"\t\"320x240\"\t\"webm\"\t\"vp8\"\t\"vorbis\"\n");
    services.answer_ytdlp("channel", R"({"id": "UCclip", "channel": "Clip Maker", "channel_follower_count": 10,
 "thumbnails": [{"url": "@ORIGIN@/img/clip-avatar.png", "width": 900, "height": 900}], "entries": []})");
    services.answer_ytdlp("playlist", R"({"id": "PLdogs", "title": "Dog mix", "channel": "Dog Channel", "channel_id": "UCdogs",
 "playlist_count": 2, "entries": [{"id": "vidone", "title": "Dogs today", "channel": "Dog Channel", "channel_id": "UCdogs"},
  {"id": "vidtwo", "title": "Cats at noon", "channel": "Cat Corner", "channel_id": "UCcats"}]})");
    services.serve_innertube("search:cats", "search.json");
    // Thumbnails in a colour no page paints by itself.
    for (auto id : { "vidone", "vidtwo", watch_id.c_str() })
        services.serve_image(fmt::format("/thumbs/vi/{}/hqdefault.jpg", id), 255, 0, 255, 320, 180);
    services.serve_image("/img/playlist.png", 255, 0, 255, 320, 180);
    services.serve_image("/img/dog-avatar.png", 0, 255, 255);
    services.serve_image("/img/dog-creator.png", 0, 255, 255);
    services.serve_image("/img/clip-avatar.png", 0, 255, 255);

    auto dir = scratch("live");
    auto outcome = run_live_shots(services.environment(), dir.string(), "cats");
    ASSERT_TRUE(outcome) << outcome.error().message;
    EXPECT_EQ(*outcome, ExitStatus::Success);

    auto transcript = services.transcript();
    auto has = [&](std::string const& line) { return std::find(transcript.begin(), transcript.end(), line) != transcript.end(); };
    for (auto name : { "watch.png", "search.png", "home.png", "playlist.png" }) {
        auto path = (dir / name).string();
        EXPECT_TRUE(has("out: vexa: wrote shot to " + path)) << name;
        EXPECT_TRUE(std::filesystem::exists(path)) << name;
    }
    EXPECT_TRUE(has("out: live-shots[watch]: metadata + rangeable stream for [" + watch_id + "]…"));
    EXPECT_TRUE(has("out:   resolved 240p stream; decoding a real frame via the media engine…"));
    EXPECT_TRUE(has("out:   2 videos, 1 playlists, 1 creators"));
    EXPECT_TRUE(has("out:   images settled: 0 still pending"));
    EXPECT_TRUE(has("out:   wrote " + (dir / "playlist.png").string() + " (2 videos)"));
    EXPECT_EQ(transcript.back(), "out: live-shots: done (" + dir.string() + ")");
    for (auto const& line : transcript)
        EXPECT_FALSE(line.starts_with("err: ")) << line;

    // The player shows the clip's picture, not a black box.
    auto watch = test::read_png(dir / "watch.png");
    ASSERT_TRUE(watch) << watch.error().message;
    EXPECT_GT(distinct_colours(*watch, { 300, 120, 900, 420 }), 8u);
    // The cards show the served thumbnails. (The Playlist route still shows a stand-in page.)
    for (auto name : { "search.png", "home.png" }) {
        auto picture = test::read_png(dir / name);
        ASSERT_TRUE(picture) << picture.error().message;
        EXPECT_GT(pixels_like(*picture, 255, 0, 255, { 0, 0, double(shot_width), double(shot_height) }), 5000u) << name;
    }
}

}
}
