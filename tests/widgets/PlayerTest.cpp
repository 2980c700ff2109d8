#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "kaso/platform/Clock.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "kaso/ui/WakeHandle.h"
#include "src/widgets/PlayerHost.h"

using namespace kaso::ui;
using namespace std::chrono_literals;

namespace {

struct Harness {
    SharedVideoPlayer player;
    std::unique_ptr<FrameDriver> driver;
    uint64_t now { 0 };

    Harness()
    {
        player = VideoPlayer::with_engine(kaso::media::MediaEngine::create_synthesized());
        driver = std::make_unique<FrameDriver>(std::make_unique<vexa::PlayerHost>(player, 360.0f), Theme::dark());
        driver->set_viewport(640, 360, 1.0f);
        EXPECT_TRUE(player->open("https://demo.kaso.localhost/clip.mp4"));
        player->set_setting({ "resolution", "Resolution", { "1080p", "720p", "480p", "auto" }, 0 });
        player->play();
    }
    void frame() { driver->frame(now += 16); }
    bool wait(std::function<bool()> const& condition, std::chrono::milliseconds limit = 10s)
    {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            frame();
            if (condition())
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
    void click(double x, double y)
    {
        driver->dispatch(PointerMove { x, y }, {});
        driver->dispatch(PointerDown { x, y }, {});
        driver->dispatch(PointerUp { x, y }, {});
    }
};

// The video area above the controls, as bytes.
std::vector<uint8_t> picture_area(Image const& image)
{
    std::vector<uint8_t> bytes;
    for (int y = 20; y < 200; ++y)
        bytes.insert(bytes.end(), image.pixels.begin() + y * image.stride, image.pixels.begin() + y * image.stride + image.width * 4);
    return bytes;
}

}

TEST(Player, ShowsMovingPictures)
{
    Harness h;
    ASSERT_TRUE(h.wait([&] { return h.player->is_ready(); }));
    auto first = render_offscreen(*h.driver, h.now);
    ASSERT_TRUE(first);
    std::this_thread::sleep_for(1s);
    h.frame();
    auto second = render_offscreen(*h.driver, h.now);
    ASSERT_TRUE(second);
    EXPECT_NE(picture_area(*first), picture_area(*second));
}

// While playing, the pictures drive the frames: each one wakes the loop, and the player asks
// for no frames of its own between them. Once none has been seen for a while it asks for every
// frame again, so a stream whose pictures stopped still moves its controls.
TEST(Player, PlayingPicturesWakeTheLoopInsteadOfATimer)
{
    static std::atomic<int> wakes { 0 };
    wake::WakeHandle::install_waker([] { ++wakes; });
    {
        Harness h;
        ASSERT_TRUE(h.wait([&] { return h.player->is_ready() && h.player->is_playing(); }));
        wakes = 0;
        std::this_thread::sleep_for(500ms);
        EXPECT_GE(wakes.load(), 5); // 30 pictures a second, less what a loaded machine drops

        auto serial = h.player->engine()->current_frame()->serial;
        ASSERT_TRUE(h.wait([&] { return h.player->engine()->current_frame()->serial != serial; }));
        auto& root = h.driver->root();
        EXPECT_FALSE(root.needs_animation_frame());
        auto deadline = root.next_wake_deadline();
        ASSERT_TRUE(deadline);
        EXPECT_LE(*deadline, kaso::platform::monotonic_ms() + 100);

        std::this_thread::sleep_for(150ms); // no frame looks at the pictures meanwhile
        EXPECT_TRUE(root.needs_animation_frame());

        h.player->pause();
        h.frame();
        EXPECT_FALSE(root.needs_animation_frame());
    }
    wake::WakeHandle::remove_waker();
}

TEST(Player, ClickAndSpaceTogglePlayback)
{
    Harness h;
    ASSERT_TRUE(h.wait([&] { return h.player->is_ready() && h.player->is_playing(); }));
    h.click(320, 150);
    EXPECT_FALSE(h.player->is_playing());
    EXPECT_TRUE(h.player->is_focused());
    KeyDown space;
    space.key = Key::Space;
    h.driver->dispatch(space, {});
    EXPECT_TRUE(h.player->is_playing());
    h.player->set_focus(false);
    h.driver->dispatch(space, {});
    EXPECT_TRUE(h.player->is_playing()); // Space belongs to the player only while it has focus
}

TEST(Player, SettingsMenuReportsTheChosenQuality)
{
    Harness h;
    ASSERT_TRUE(h.wait([&] { return h.player->is_ready(); }));
    auto layout = PlayerControlsLayout::for_rect(Rect { 0, 0, 640, 360 }, 4);
    h.driver->dispatch(PointerMove { 320, 300 }, {}); // reveals the controls
    auto gear = layout.settings_button;
    h.click((gear.x0 + gear.x1) / 2, (gear.y0 + gear.y1) / 2);
    ASSERT_TRUE(h.player->menu_open());
    auto item = layout.menu_items[1];
    h.click((item.x0 + item.x1) / 2, (item.y0 + item.y1) / 2);
    EXPECT_FALSE(h.player->menu_open());
    auto choices = h.player->take_setting_choices();
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].setting_id, "resolution");
    EXPECT_EQ(choices[0].option_index, 1u);
    EXPECT_TRUE(h.player->take_setting_choices().empty());
}

TEST(Player, TimelineClicksSeek)
{
    Harness h;
    ASSERT_TRUE(h.wait([&] { return h.player->is_ready() && h.player->duration_ms(); }));
    h.driver->dispatch(PointerMove { 320, 300 }, {});
    auto layout = PlayerControlsLayout::for_rect(Rect { 0, 0, 640, 360 }, 4);
    auto t = layout.timeline;
    h.click(t.x0 + t.width() / 2, (t.y0 + t.y1) / 2);
    EXPECT_NEAR(double(h.player->position_ms()), 300'000.0, 2'000.0); // half of 600 s
    EXPECT_TRUE(h.player->is_playing()); // a timeline click seeks without pausing
}

// A paused player asks for no frames, so the loop sleeps; the picture a seek lands on must wake
// it through the runtime's waker rather than wait for the next input.
TEST(Player, APausedSeekWakesTheLoop)
{
    static std::atomic<int> wakes { 0 };
    wake::WakeHandle::install_waker([] { ++wakes; });
    {
        Harness h;
        ASSERT_TRUE(h.wait([&] { return h.player->is_ready() && h.player->duration_ms(); }));
        h.player->pause();
        h.frame();
        EXPECT_FALSE(h.driver->root().needs_animation_frame());
        std::this_thread::sleep_for(100ms); // whatever the pause itself brought
        h.frame();
        auto paused = render_offscreen(*h.driver, h.now);
        ASSERT_TRUE(paused);
        wakes = 0;
        h.player->seek_to_ms(200'000);
        auto deadline = std::chrono::steady_clock::now() + 10s;
        while (wakes == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        EXPECT_GT(wakes.load(), 0);
        // Woken, the next frame shows the picture at the target.
        EXPECT_TRUE(h.wait([&] {
            auto image = render_offscreen(*h.driver, h.now);
            return image && picture_area(*image) != picture_area(*paused);
        }));
    }
    wake::WakeHandle::remove_waker();
}

TEST(Player, APictureAtItsOwnSizeIsPlacedOnWholeDevicePixelsInsideItsBox)
{
    struct Case {
        char const* name;
        Rect box;
        double scale;
        uint32_t width, height;
        std::optional<Rect> placed;
    };
    for (auto const& c : std::vector<Case> {
             { "narrower than its box, centred", { 0, 0, 1280, 520 }, 1, 924, 520, Rect { 178, 0, 1102, 520 } },
             { "at twice the scale", { 0, 0, 640, 360 }, 2, 1280, 720, Rect { 0, 0, 640, 360 } },
             { "half a pixel to spare, on the next whole pixel", { 0, 0, 641, 360 }, 1, 640, 360, Rect { 1, 0, 641, 360 } },
             { "a box below the page's top", { 0, 57, 100, 114 }, 1, 100, 56, Rect { 0, 58, 100, 114 } },
             { "larger than its box: scaled to fit", { 0, 0, 640, 360 }, 1, 1280, 720, std::nullopt },
             { "a pixel too wide: scaled", { 0, 0, 100, 57 }, 1, 101, 57, std::nullopt },
             { "filling a box off whole pixels: would spill out", { 10.25, 0, 330.25, 180 }, 1, 320, 180, std::nullopt },
             { "no picture", { 0, 0, 100, 100 }, 1, 0, 0, std::nullopt },
             { "no box", { 0, 0, 0, 0 }, 1, 100, 100, std::nullopt },
         }) {
        SCOPED_TRACE(c.name);
        auto placed = VideoPlayer::unscaled_picture_rect(c.box, c.scale, c.width, c.height);
        ASSERT_EQ(placed.has_value(), c.placed.has_value());
        if (placed) {
            EXPECT_EQ(*placed, *c.placed);
        }
    }
}

TEST(Player, ALetterboxedPictureShowsEveryPixelOfTheFrameBetweenBlackBars)
{
    // The synthesized picture, 1280 x 720, in a player 800 high: copied as it is, with the 40
    // rows above and below it black.
    auto player = VideoPlayer::with_engine(kaso::media::MediaEngine::create_synthesized());
    FrameDriver driver(std::make_unique<vexa::PlayerHost>(player, 800.0f), Theme::dark());
    driver.set_viewport(1280, 800, 1.0f);
    ASSERT_TRUE(player->open("https://demo.kaso.localhost/clip.mp4"));
    uint64_t now = 0;
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!player->is_ready() && std::chrono::steady_clock::now() < deadline) {
        driver.frame(now += 16);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(player->is_ready());
    auto image = render_offscreen(driver, now += 16);
    ASSERT_TRUE(image);
    auto frame = player->engine()->current_frame(); // paused: the picture the frame showed
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->width, 1280u);
    ASSERT_EQ(frame->height, 720u);
    auto pixel = [&](int x, int y) {
        uint32_t value = 0;
        std::memcpy(&value, image->data() + std::size_t(y) * std::size_t(image->stride) + std::size_t(x) * 4, 4);
        return value & 0xffffffu;
    };
    for (int y : { 0, 39, 760, 799 })
        for (int x : { 0, 640, 1279 })
            EXPECT_EQ(pixel(x, y), 0u) << x << "," << y;
    // Above the controls the picture is the frame's own, pixel for pixel.
    int mismatched = 0;
    for (int y = 40; y < 600; ++y)
        for (int x = 0; x < 1280; ++x) {
            uint32_t source = 0;
            std::memcpy(&source, frame->bytes.data() + std::size_t(y - 40) * frame->stride + std::size_t(x) * 4, 4);
            mismatched += pixel(x, y) != (source & 0xffffffu);
        }
    EXPECT_EQ(mismatched, 0);
}

TEST(PlayerHost, ModeAndIdentity)
{
    auto player = VideoPlayer::with_engine(kaso::media::MediaEngine::create_null("no engine in this test"));
    vexa::PlayerHost one(player, 200);
    vexa::PlayerHost two(player, 300);
    EXPECT_EQ(one.widget_id(), "watch_video_surface");
    EXPECT_EQ(two.widget_id(), "watch_video_surface");
    EXPECT_FALSE(one.player_mode());
    player->mark_drawn();
    one.set_player_mode(true);
    EXPECT_EQ(two.player_mode(), true);
    EXPECT_TRUE(one.needs_redraw());
    one.mark_drawn();
    one.set_player_mode(true);
    EXPECT_FALSE(two.needs_redraw());
    EXPECT_EQ(one.as_player_mode_control(), static_cast<kaso::ui::PlayerModeControl*>(&one));
}

TEST(PlayerControls, MarksAreCutToTheTimelineAndEmptyOnesDropped)
{
    Scene scene;
    PlayerControlsState state;
    state.duration_ms = 100'000;
    state.marks = { TimelineMark { -0.5, 0.25, Color { 0, 1, 0, 1 } }, TimelineMark { 0.6, 0.6, Color { 0, 1, 0, 1 } },
        TimelineMark { 0.9, 0.8, Color { 0, 1, 0, 1 } }, TimelineMark { std::nan(""), 0.5, Color { 0, 1, 0, 1 } },
        TimelineMark { 0.75, 3.0, Color { 0, 1, 0, 1 } } };
    auto layout = PlayerControlsLayout::for_rect(Rect { 0, 0, 640, 360 }, 0);
    paint_player_controls(scene, layout, state, Theme::dark());
    std::vector<Rect> green;
    for (auto const& command : scene.commands())
        if (auto const* fill = std::get_if<FillRect>(&command); fill && fill->color == Color { 0, 1, 0, 1 })
            green.push_back(fill->rect);
    ASSERT_EQ(green.size(), 2u);
    auto const& t = layout.timeline;
    EXPECT_DOUBLE_EQ(green[0].x0, t.x0);
    EXPECT_DOUBLE_EQ(green[0].x1, t.x0 + 0.25 * t.width());
    EXPECT_DOUBLE_EQ(green[1].x1, t.x1);
}
