#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

#include "kaso/media/MediaEngine.h"
#include "tests/media/ClipServer.h"
#include "tests/media/EngineDriver.h"

using namespace std::chrono_literals;
using namespace kaso::media;
using kaso::media::testing::ClipServer;
using kaso::media::testing::EngineDriver;

namespace {

uint64_t distance(uint64_t a, uint64_t b) { return a > b ? a - b : b - a; }

class RealEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_directory = std::filesystem::temp_directory_path() / ("kaso-media-test-" + std::to_string(getpid()));
        s_clip = kaso::media::testing::make_webm_clip(s_directory, 5);
        if (!s_clip.empty())
            s_server = new ClipServer(s_clip);
    }

    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
        std::error_code ignored;
        std::filesystem::remove_all(s_directory, ignored);
    }

    void SetUp() override
    {
        ASSERT_FALSE(s_clip.empty()) << "the WebM test clip could not be made";
        ASSERT_TRUE(s_server && s_server->is_running()) << "the loopback server did not start";
        engine = MediaEngine::create();
        ASSERT_EQ(engine->kind(), EngineKind::Real) << engine->unavailable_reason();
        driver = std::make_unique<EngineDriver>(*engine);
    }

    static std::string file_address() { return "file://" + s_clip.string(); }
    static std::string http_address(std::string const& path) { return s_server->address_of(path); }

    void expect_failure_without_a_picture(std::string const& address)
    {
        ASSERT_TRUE(engine->open(address).has_value());
        engine->play();
        ASSERT_TRUE(driver->wait_for<MediaError>(15s)) << address;
        driver->pump_for(300ms);
        EXPECT_EQ(engine->state(), PlaybackState::Failed);
        EXPECT_FALSE(engine->is_ready());
        EXPECT_FALSE(engine->is_playing());
        EXPECT_EQ(engine->current_frame(), nullptr);
        EXPECT_FALSE(driver->saw<FirstFrame>());
        for (auto const& error : driver->events_of<MediaError>())
            EXPECT_FALSE(error.message.empty());
    }

    std::unique_ptr<MediaEngine> engine;
    std::unique_ptr<EngineDriver> driver;

    static inline std::filesystem::path s_directory;
    static inline std::filesystem::path s_clip;
    static inline ClipServer* s_server { nullptr };
};

}

TEST_F(RealEngine, DecodesRealMedia)
{
    EXPECT_TRUE(engine->decodes_real_media());
    EXPECT_TRUE(engine->unavailable_reason().empty());
}

TEST_F(RealEngine, LocalFileBecomesReadyWithItsDurationAndPlaysDistinctFrames)
{
    ASSERT_TRUE(engine->open(file_address()).has_value());
    ASSERT_TRUE(driver->wait_for<FirstFrame>(10s));
    auto first = driver->events_of<FirstFrame>()[0];
    EXPECT_EQ(first.width, 320u);
    EXPECT_EQ(first.height, 240u);
    EXPECT_EQ(first.pts_ms, 0u);
    ASSERT_TRUE(driver->pump_until([&] { return engine->duration_ms().has_value(); }, 5s));
    EXPECT_LE(distance(*engine->duration_ms(), 5'000), 50u) << *engine->duration_ms();

    // The clip has sound and the machine may have no audio device: video must play regardless.
    engine->play();
    EXPECT_EQ(driver->count_distinct_frames(40, 10s), 40u);
    EXPECT_EQ(engine->state(), PlaybackState::Playing);
    EXPECT_GT(engine->position_ms(), 0u);
    EXPECT_GT(engine->current_frame()->pts_ms, 0u);
}

TEST_F(RealEngine, SeekWhilePausedShowsThePictureAtTheTarget)
{
    ASSERT_TRUE(engine->open(file_address()).has_value());
    ASSERT_TRUE(driver->wait_for<FirstFrame>(10s));
    engine->seek_to_ms(2'500);
    EXPECT_EQ(engine->position_ms(), 2'500u);
    ASSERT_TRUE(driver->wait_for<SeekCompleted>(10s));
    auto frame = engine->current_frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_LE(distance(frame->pts_ms, 2'500), 34u) << frame->pts_ms;
    EXPECT_LE(distance(engine->position_ms(), 2'500), 34u) << engine->position_ms();
    EXPECT_EQ(engine->state(), PlaybackState::Paused);
}

TEST_F(RealEngine, EndOfStreamIsReportedAndPlayStartsAgain)
{
    ASSERT_TRUE(engine->open(file_address()).has_value());
    engine->seek_to_ms(4'300);
    engine->play();
    ASSERT_TRUE(driver->wait_for<EndOfStream>(10s));
    driver->pump_for(50ms);
    EXPECT_EQ(engine->state(), PlaybackState::Ended);
    EXPECT_FALSE(engine->is_playing());
    EXPECT_EQ(engine->position_ms(), *engine->duration_ms());

    driver->forget_events();
    engine->play();
    ASSERT_TRUE(driver->wait_for<SeekCompleted>(10s));
    EXPECT_LT(driver->events_of<SeekCompleted>()[0].position_ms, 100u);
    ASSERT_TRUE(driver->pump_until([&] { return engine->state() == PlaybackState::Playing; }, 5s));
    EXPECT_LT(engine->position_ms(), 4'000u);
}

TEST_F(RealEngine, LoopbackHttpStreamBuffersPlaysAndSeeks)
{
    ASSERT_TRUE(engine->open(http_address("/clip.webm")).has_value());
    engine->play();
    ASSERT_TRUE(driver->wait_for<FirstFrame>(15s));
    ASSERT_TRUE(driver->pump_until([&] { return engine->duration_ms().has_value(); }, 5s));
    EXPECT_LE(distance(*engine->duration_ms(), 5'000), 50u);
    EXPECT_GE(driver->count_distinct_frames(20, 10s), 20u);

    auto buffering = driver->events_of<BufferingChanged>();
    ASSERT_FALSE(buffering.empty());
    EXPECT_EQ(buffering.back().percent, 100);
    EXPECT_EQ(engine->buffering_percent(), 100);

    engine->pause();
    engine->seek_to_ms(3'000);
    ASSERT_TRUE(driver->wait_for<SeekCompleted>(10s));
    EXPECT_LE(distance(engine->current_frame()->pts_ms, 3'000), 34u) << engine->current_frame()->pts_ms;
}

TEST_F(RealEngine, StalledStreamHoldsForBufferingAndResumes)
{
    ASSERT_TRUE(engine->open(http_address("/stalling.webm")).has_value());
    engine->play();

    // The server stops at half the clip. Whether playback got going before it drained what
    // arrived or the buffer never filled, the engine holds with a picture shown.
    ASSERT_TRUE(driver->pump_until(
        [&] { return engine->is_ready() && engine->buffering_percent() < 100 && engine->state() == PlaybackState::Paused; },
        15s));
    EXPECT_TRUE(engine->is_playing()) << "a buffering hold is not a pause asked for";
    auto held_at = engine->position_ms();
    EXPECT_LT(held_at, 4'000u);
    driver->forget_events();

    s_server->release_stall();
    ASSERT_TRUE(driver->pump_until([&] { return engine->state() == PlaybackState::Playing; }, 15s));
    EXPECT_EQ(engine->buffering_percent(), 100);
    auto buffering = driver->events_of<BufferingChanged>();
    ASSERT_FALSE(buffering.empty());
    EXPECT_EQ(buffering.back().percent, 100);
    ASSERT_TRUE(driver->wait_for<EndOfStream>(15s));
    EXPECT_GT(engine->position_ms(), held_at);
}

TEST_F(RealEngine, NonSquarePixelsArriveScaledToSquarePixels)
{
    // 320 x 240 stored pixels, each 4/3 as wide as high: shown 426 wide.
    auto clip = kaso::media::testing::make_webm_clip(s_directory, 1, 4, 3);
    ASSERT_FALSE(clip.empty());
    ASSERT_TRUE(engine->open("file://" + clip.string()).has_value());
    ASSERT_TRUE(driver->wait_for<FirstFrame>(10s));
    auto frame = engine->current_frame();
    EXPECT_EQ(frame->width, 426u);
    EXPECT_EQ(frame->height, 240u);
    EXPECT_GE(frame->stride, 426u * 4);
    EXPECT_EQ(frame->bytes.size(), size_t { frame->stride } * frame->height);
}

TEST_F(RealEngine, PicturesComeAsLargeAsFitTheBoxKeepingTheirShapeNeverEnlarged)
{
    // The 320 x 240 clip, while it plays: each box changes the size of the pictures that follow.
    struct Case {
        uint32_t box_width, box_height, width, height;
    };
    Case const cases[] = {
        { 160, 200, 160, 120 },   // the width binds
        { 400, 60, 80, 60 },      // the height binds
        { 1000, 1000, 320, 240 }, // larger than the picture: its own size
        { 240, 180, 240, 180 },   // exactly its shape
        { 0, 0, 320, 240 },       // no box
    };
    ASSERT_TRUE(engine->open(file_address()).has_value());
    engine->play();
    ASSERT_TRUE(driver->wait_for<FirstFrame>(10s));
    for (auto const& c : cases) {
        engine->set_picture_box(c.box_width, c.box_height);
        bool sized = driver->pump_until([&] {
            auto frame = engine->current_frame();
            return frame && frame->width == c.width && frame->height == c.height;
        }, 10s);
        ASSERT_TRUE(sized) << c.box_width << "x" << c.box_height << " gave " << engine->current_frame()->width << "x"
                           << engine->current_frame()->height;
        auto frame = engine->current_frame();
        EXPECT_GE(frame->stride, c.width * 4);
        EXPECT_EQ(frame->bytes.size(), size_t { frame->stride } * frame->height);
    }
    EXPECT_EQ(engine->state(), PlaybackState::Playing);

    // The box outlives the source: the next one's first picture already fits it, and pixels
    // that are not square are made square before fitting (426 x 240 shown, so 213 x 120).
    engine->set_picture_box(213, 1000);
    auto wide_pixels = kaso::media::testing::make_webm_clip(s_directory, 1, 4, 3);
    ASSERT_FALSE(wide_pixels.empty());
    driver->forget_events();
    ASSERT_TRUE(engine->open("file://" + wide_pixels.string()).has_value());
    ASSERT_TRUE(driver->wait_for<FirstFrame>(10s));
    auto first = driver->events_of<FirstFrame>()[0];
    EXPECT_EQ(first.width, 213u);
    EXPECT_EQ(first.height, 120u);
}

TEST_F(RealEngine, MissingStreamIsAnErrorWithoutAPicture)
{
    expect_failure_without_a_picture(http_address("/missing.webm"));
}

TEST_F(RealEngine, BodyThatIsNotMediaIsAnErrorWithoutAPicture)
{
    expect_failure_without_a_picture(http_address("/page.html"));
}

TEST_F(RealEngine, NonMediaFileIsAnErrorWithoutAPicture)
{
    auto text = s_directory / "notes.txt";
    {
        std::FILE* file = std::fopen(text.c_str(), "w");
        ASSERT_NE(file, nullptr);
        for (int line = 0; line < 100; ++line)
            std::fputs("plain text, not a video\n", file);
        std::fclose(file);
    }
    expect_failure_without_a_picture("file://" + text.string());
}

TEST_F(RealEngine, RefusedAddressIsAnErrorAtOnceAndAsAnEvent)
{
    for (auto const* address : { "ftp://127.0.0.1/clip.webm", "", "/tmp/clip.webm", "https://" }) {
        driver->forget_events();
        auto opened = engine->open(address);
        ASSERT_FALSE(opened.has_value()) << address;
        auto events = engine->poll();
        ASSERT_FALSE(events.empty());
        auto const* error = std::get_if<MediaError>(&events.front());
        ASSERT_NE(error, nullptr) << address;
        EXPECT_EQ(error->message, opened.error().message);
        EXPECT_EQ(engine->state(), PlaybackState::Failed);
        engine->play();
        engine->seek_to_ms(1'000);
        EXPECT_EQ(engine->current_frame(), nullptr);
    }
    // A good address afterwards plays normally.
    ASSERT_TRUE(engine->open(file_address()).has_value());
    ASSERT_TRUE(driver->wait_for<FirstFrame>(10s));
}
