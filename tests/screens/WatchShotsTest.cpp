// The Watch page of a sample video rendered offscreen at 1280x800 and 560x800 against the
// committed reference pictures. The player has no engine, so its picture is still.
// VEXA_UPDATE_SCREENSHOTS=1 writes the references instead of comparing.

#include <gtest/gtest.h>

#include <cstdlib>

#include <fmt/format.h>

#include "kaso/media/MediaEngine.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/WatchScreen.h"
#include "tests/screens/ReferenceShot.h"

namespace vexa {
namespace {

TEST(WatchScreenshots, MatchTheReferences)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    auto references = std::filesystem::path(std::getenv("VEXA_SOURCE_DIR")) / "tests/fixtures/screens";
    auto model = sample_catalogue();
    auto const& video = model.videos.front();
    model.route = Route::watch(video.id);
    for (int width : { 1280, 560 }) {
        auto name = fmt::format("watch-dark-{}.png", width);
        SCOPED_TRACE(name);
        auto theme = kaso::ui::Theme::dark();
        auto player = kaso::ui::VideoPlayer::with_engine(kaso::media::MediaEngine::create_null("still picture for the references"));
        WatchSurface surface { player, double(width), 800 };
        auto page = watch_screen(model, theme, OperationQueue::create(), nullptr, video.id, surface);
        kaso::ui::FrameDriver driver(std::make_unique<kaso::ui::Scrollable>(std::move(page)), theme);
        driver.set_viewport(width, 800, 1.0f);
        auto picture = kaso::ui::render_offscreen(driver, 0);
        ASSERT_TRUE(picture) << picture.error().message;
        test::expect_matches_reference(*picture, references / name);
    }
}

}
}
