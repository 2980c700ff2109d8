#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "kaso/media/MediaEngine.h"
#include "tests/media/EngineDriver.h"

using namespace std::chrono_literals;
using namespace kaso::media;
using kaso::media::testing::EngineDriver;

namespace {

constexpr char const* demo_address = "https://demo.kaso.invalid/clip.mp4";

std::unique_ptr<MediaEngine> opened_synthesized()
{
    auto engine = MediaEngine::create_synthesized();
    EXPECT_EQ(engine->kind(), EngineKind::Synthesized) << engine->unavailable_reason();
    EXPECT_TRUE(engine->open(demo_address).has_value());
    return engine;
}

}

TEST(SynthesizedEngine, SaysItIsNotRealMedia)
{
    auto engine = MediaEngine::create_synthesized();
    EXPECT_EQ(engine->kind(), EngineKind::Synthesized);
    EXPECT_FALSE(engine->decodes_real_media());
    EXPECT_TRUE(engine->unavailable_reason().empty());
    EXPECT_EQ(engine->state(), PlaybackState::Idle);
    EXPECT_EQ(engine->current_frame(), nullptr);
}

TEST(SynthesizedEngine, BecomesReadyWithACairoReadyPictureAndA600SecondDuration)
{
    auto engine = opened_synthesized();
    EngineDriver driver(*engine);
    EXPECT_FALSE(engine->is_ready());
    ASSERT_TRUE(driver.wait_for<FirstFrame>(10s));
    ASSERT_TRUE(driver.pump_until([&] { return engine->duration_ms().has_value(); }, 5s));

    EXPECT_TRUE(engine->is_ready());
    EXPECT_EQ(engine->duration_ms(), 600'000u);
    auto durations = driver.events_of<DurationKnown>();
    ASSERT_EQ(durations.size(), 1u);
    EXPECT_EQ(durations[0].duration_ms, 600'000u);

    auto first = driver.events_of<FirstFrame>();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].width, 1280u);
    EXPECT_EQ(first[0].height, 720u);
    EXPECT_EQ(first[0].pts_ms, 0u);

    auto frame = engine->current_frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, 1280u);
    EXPECT_EQ(frame->height, 720u);
    EXPECT_GE(frame->stride, 1280u * 4);
    EXPECT_EQ(frame->stride % 4, 0u);
    EXPECT_EQ(frame->bytes.size(), size_t { frame->stride } * frame->height);
    EXPECT_EQ(frame->serial, 1u);
    // Opened paused: nothing plays until asked.
    EXPECT_EQ(engine->state(), PlaybackState::Paused);
    EXPECT_FALSE(engine->is_playing());
    EXPECT_EQ(engine->buffering_percent(), 100);
}

TEST(SynthesizedEngine, PlayingProducesDistinctFramesWithRisingTimes)
{
    auto engine = opened_synthesized();
    engine->play();
    EngineDriver driver(*engine);
    EXPECT_EQ(driver.count_distinct_frames(15, 10s), 15u);
    EXPECT_EQ(engine->state(), PlaybackState::Playing);
    EXPECT_TRUE(engine->is_playing());

    auto earlier = engine->current_frame();
    ASSERT_NE(earlier, nullptr);
    ASSERT_TRUE(driver.pump_until([&] { return engine->current_frame()->serial > earlier->serial; }, 5s));
    auto later = engine->current_frame();
    EXPECT_GT(later->pts_ms, earlier->pts_ms);
    EXPECT_GT(engine->position_ms(), 0u);
    // The frame handed out earlier is still intact while newer ones arrive.
    EXPECT_EQ(earlier->bytes.size(), size_t { earlier->stride } * earlier->height);
}

TEST(SynthesizedEngine, SeekWhilePausedGivesThePictureAtTheTarget)
{
    auto engine = opened_synthesized();
    EngineDriver driver(*engine);
    ASSERT_TRUE(driver.wait_for<FirstFrame>(10s));

    engine->seek_to_ms(30'000);
    EXPECT_EQ(engine->position_ms(), 30'000u);
    ASSERT_TRUE(driver.wait_for<SeekCompleted>(10s));
    EXPECT_EQ(driver.events_of<SeekCompleted>()[0].position_ms, 30'000u);
    auto frame = engine->current_frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->pts_ms, 30'000u);
    EXPECT_EQ(engine->position_ms(), 30'000u);
    EXPECT_EQ(engine->state(), PlaybackState::Paused);
}

// The owner polls only when woken, as a UI loop that sleeps while the picture is paused does:
// the seek's landing and its picture still reach it, and nothing else has to poll.
TEST(SynthesizedEngine, APausedSeekWakesAnOwnerThatOnlyPollsWhenWoken)
{
    // Made before the engine, so they outlive it whatever way the test ends.
    std::mutex mutex;
    std::condition_variable woken;
    uint64_t wakes = 0;

    auto engine = opened_synthesized();
    EngineDriver driver(*engine);
    ASSERT_TRUE(driver.wait_for<FirstFrame>(10s));
    driver.forget_events();
    auto before = engine->current_frame();
    ASSERT_NE(before, nullptr);

    // Set after the source is open: a waker can come at any time.
    engine->set_waker([&] {
        std::lock_guard lock(mutex);
        ++wakes;
        woken.notify_all();
    });
    engine->seek_to_ms(120'000);

    bool landed = false;
    uint64_t seen = 0;
    while (!landed) {
        {
            std::unique_lock lock(mutex);
            ASSERT_TRUE(woken.wait_for(lock, 10s, [&] { return wakes > seen; })) << "no wake after " << seen;
            seen = wakes;
        }
        for (auto const& event : engine->poll())
            landed = landed || std::holds_alternative<SeekCompleted>(event);
    }
    auto frame = engine->current_frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_GT(frame->serial, before->serial);
    EXPECT_EQ(frame->pts_ms, 120'000u);
    EXPECT_EQ(engine->state(), PlaybackState::Paused);

    // Replaced by nothing: the engine goes on without one.
    engine->set_waker(nullptr);
    engine->seek_to_ms(60'000);
    ASSERT_TRUE(driver.wait_for<SeekCompleted>(10s));
}

TEST(SynthesizedEngine, SeeksBeforePrerollMergeAndTheStreamStartsAtTheLast)
{
    auto engine = opened_synthesized();
    engine->seek_to_ms(10'000);
    engine->seek_to_ms(20'000);
    engine->seek_to_ms(45'000);
    // The playhead reports the target at once, long before the pipeline has a picture.
    EXPECT_EQ(engine->position_ms(), 45'000u);
    engine->play();

    EngineDriver driver(*engine);
    ASSERT_TRUE(driver.wait_for<FirstFrame>(10s));
    auto first = driver.events_of<FirstFrame>();
    EXPECT_EQ(first[0].pts_ms, 45'000u);
    auto seeks = driver.events_of<SeekCompleted>();
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_EQ(seeks[0].position_ms, 45'000u);
    ASSERT_TRUE(driver.pump_until([&] { return engine->state() == PlaybackState::Playing; }, 5s));
    EXPECT_GE(engine->position_ms(), 45'000u);
    EXPECT_GE(engine->current_frame()->pts_ms, 45'000u);
}

TEST(SynthesizedEngine, SeeksWhileASeekRunsMergeIntoTheNewest)
{
    auto engine = opened_synthesized();
    EngineDriver driver(*engine);
    ASSERT_TRUE(driver.wait_for<FirstFrame>(10s));
    for (uint64_t target : { 100'000u, 200'000u, 300'000u, 400'000u })
        engine->seek_to_ms(target);
    EXPECT_EQ(engine->position_ms(), 400'000u);
    ASSERT_TRUE(driver.pump_until([&] { return driver.events_of<SeekCompleted>().size() >= 2; }, 10s));
    driver.pump_for(200ms);
    auto seeks = driver.events_of<SeekCompleted>();
    ASSERT_EQ(seeks.size(), 2u);
    EXPECT_EQ(seeks[0].position_ms, 100'000u);
    EXPECT_EQ(seeks[1].position_ms, 400'000u);
    EXPECT_EQ(engine->current_frame()->pts_ms, 400'000u);
}

TEST(SynthesizedEngine, SeeksNearOrPastTheEndStillEndAt600Seconds)
{
    // The test source counts its pictures again from each seek; the stream must end at 600 s
    // however far into it the seek went.
    struct Case {
        uint64_t target_ms;
        uint64_t reported_target_ms;
    };
    for (auto const& c : { Case { 599'500, 599'500 }, Case { 10'000'000, 600'000 } }) {
        auto engine = opened_synthesized();
        EngineDriver driver(*engine);
        ASSERT_TRUE(driver.pump_until([&] { return engine->duration_ms().has_value(); }, 10s));
        engine->seek_to_ms(c.target_ms);
        EXPECT_EQ(engine->position_ms(), c.reported_target_ms);
        engine->play();
        ASSERT_TRUE(driver.wait_for<EndOfStream>(10s)) << c.target_ms;
        driver.pump_for(50ms);
        EXPECT_EQ(engine->state(), PlaybackState::Ended);
        EXPECT_EQ(engine->position_ms(), 600'000u);
        EXPECT_FALSE(engine->is_playing());
        EXPECT_LE(engine->current_frame()->pts_ms, 600'000u);
    }
}

TEST(SynthesizedEngine, PauseHoldsThePictureAndPlayResumes)
{
    auto engine = opened_synthesized();
    engine->play();
    EngineDriver driver(*engine);
    ASSERT_TRUE(driver.pump_until([&] { return engine->position_ms() >= 300; }, 10s));

    engine->pause();
    EXPECT_FALSE(engine->is_playing());
    ASSERT_TRUE(driver.pump_until([&] { return engine->state() == PlaybackState::Paused; }, 5s));
    auto held = engine->current_frame()->serial;
    auto held_position = engine->position_ms();
    driver.pump_for(400ms);
    EXPECT_EQ(engine->current_frame()->serial, held);
    EXPECT_EQ(engine->position_ms(), held_position);

    engine->play();
    ASSERT_TRUE(driver.pump_until([&] { return engine->current_frame()->serial > held + 3; }, 5s));
    EXPECT_GT(engine->position_ms(), held_position);
    auto states = driver.events_of<StateChanged>();
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states.back().state, PlaybackState::Playing);
}

TEST(SynthesizedEngine, ReopeningStartsOverAndCloseReleasesAtOnce)
{
    auto engine = opened_synthesized();
    engine->play();
    EngineDriver driver(*engine);
    ASSERT_TRUE(driver.pump_until([&] { return engine->current_frame() && engine->current_frame()->serial > 5; }, 10s));
    auto kept = engine->current_frame();

    driver.forget_events();
    ASSERT_TRUE(engine->open(demo_address).has_value());
    EXPECT_FALSE(engine->is_ready());
    // The new source holds in preroll until the next poll: at most its first picture is there.
    if (auto frame = engine->current_frame()) {
        EXPECT_EQ(frame->serial, 1u);
    }
    EXPECT_EQ(engine->position_ms(), 0u);
    // play() was asked for before and is kept for the new source.
    ASSERT_TRUE(driver.pump_until([&] { return engine->state() == PlaybackState::Playing; }, 10s));
    auto first = driver.events_of<FirstFrame>();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].pts_ms, 0u);

    engine->close();
    EXPECT_EQ(engine->state(), PlaybackState::Idle);
    EXPECT_EQ(engine->current_frame(), nullptr);
    EXPECT_TRUE(engine->address().empty());
    // A frame handed out before close stays readable.
    EXPECT_EQ(kept->bytes.size(), size_t { kept->stride } * kept->height);
    engine->play();
    engine->pause();
    engine->seek_to_ms(1'000);
    EXPECT_EQ(engine->position_ms(), 0u);
}

TEST(SynthesizedEngine, DestroyingAPlayingEngineReleasesThePipeline)
{
    for (int round = 0; round < 3; ++round) {
        auto engine = opened_synthesized();
        engine->play();
        EngineDriver driver(*engine);
        ASSERT_TRUE(driver.wait_for<FirstFrame>(10s));
        engine.reset();
    }
}
