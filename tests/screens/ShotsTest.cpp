// Home, Trending, Subscriptions and Search with the sample catalogue, rendered offscreen in
// the three themes at 1280x800 and 560x800, against the committed reference pictures.
// VEXA_UPDATE_SCREENSHOTS=1 writes the references instead of comparing.

#include <gtest/gtest.h>

#include <cstdlib>

#include <fmt/format.h>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "tests/screens/ReferenceShot.h"
#include "tests/screens/ScreenFixtures.h"

namespace vexa {
namespace {

std::filesystem::path reference_dir() { return std::filesystem::path(std::getenv("VEXA_SOURCE_DIR")) / "tests/fixtures/screens"; }

TEST(Screenshots, MatchTheReferences)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    for (auto page : test::shot_pages) {
        for (auto theme_name : test::shot_themes) {
            for (int width : { 1280, 560 }) {
                auto name = fmt::format("{}-{}-{}.png", page, theme_name, width);
                SCOPED_TRACE(name);
                auto built = test::shot_page(page, test::theme_named(theme_name), 1.0f);
                ASSERT_TRUE(built);
                kaso::ui::FrameDriver driver(std::make_unique<kaso::ui::Scrollable>(std::move(*built)), test::theme_named(theme_name));
                driver.set_viewport(width, 800, 1.0f);
                auto picture = kaso::ui::render_offscreen(driver, 0);
                ASSERT_TRUE(picture) << picture.error().message;
                test::expect_matches_reference(*picture, reference_dir() / name);
            }
        }
    }
}

}
}
