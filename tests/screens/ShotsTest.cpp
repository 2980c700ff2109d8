// The pages with the sample catalogue (and the fixtures for what it leaves empty), rendered
// offscreen and compared with the committed reference pictures: Home, Trending, Subscriptions and
// Search in the three themes, the other pages in the dark theme, the Settings page in all three,
// each at 1280x800 and 560x800, the Queue page's large form, and the whole Settings page.
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

void expect_shot(std::string_view page, std::string_view theme_name, int width, float scale, std::string const& name, int height = 800)
{
    SCOPED_TRACE(name);
    auto theme = test::theme_named(theme_name);
    auto built = test::shot_page(page, theme, scale, width);
    ASSERT_TRUE(built);
    kaso::ui::FrameDriver driver(std::make_unique<kaso::ui::Scrollable>(std::move(*built)), theme);
    driver.set_viewport(width, height, scale);
    auto picture = kaso::ui::render_offscreen(driver, 0);
    ASSERT_TRUE(picture) << picture.error().message;
    test::expect_matches_reference(*picture, reference_dir() / name);
}

TEST(Screenshots, MatchTheReferences)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    for (auto page : test::shot_pages)
        for (auto theme_name : test::shot_themes)
            for (int width : { 1280, 560 })
                expect_shot(page, theme_name, width, 1.0f, fmt::format("{}-{}-{}.png", page, theme_name, width));
}

TEST(Screenshots, ListPagesMatchTheReferences)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    for (auto page : test::list_shot_pages)
        for (int width : { 1280, 560 })
            expect_shot(page, "dark", width, 1.0f, fmt::format("{}-dark-{}.png", page, width));
    for (auto theme_name : { "light", "high-contrast" })
        for (int width : { 1280, 560 })
            expect_shot("settings", theme_name, width, 1.0f, fmt::format("settings-{}-{}.png", theme_name, width));
    expect_shot("queue", "dark", 1280, 1.5f, "queue-large-dark-1280.png");
    // The whole Settings page, down to the device section.
    expect_shot("settings", "dark", 1280, 1.0f, "settings-whole-dark-1280.png", 1640);
    expect_shot("settings", "dark", 560, 1.0f, "settings-whole-dark-560.png", 1720);
}

}
}
