// The chrome's states the page pictures do not show, rendered offscreen in the dark theme
// against the committed reference pictures: the top bar with its back button, the compact bar of
// a narrow window at scale 1.5, the "Connecting…" pill, and the rail at its wide 264 pixels.
// VEXA_UPDATE_SCREENSHOTS=1 writes the references instead of comparing.

#include <gtest/gtest.h>

#include <cstdlib>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/LocalTextCell.h"
#include "kaso/ui/Offscreen.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/Chrome.h"
#include "tests/screens/ReferenceShot.h"

namespace vexa {
namespace {

struct ChromeShot {
    char const* name;
    double width;
    double height;
    float scale;
    std::function<Flex(VexaModel&, kaso::ui::Theme const&)> build;
};

TEST(ChromeScreenshots, MatchTheReferences)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    auto references = std::filesystem::path(std::getenv("VEXA_SOURCE_DIR")) / "tests/fixtures/screens";
    auto queue = OperationQueue::create();
    auto bar = [&](bool has_back, bool compact) {
        return [=](VexaModel& model, kaso::ui::Theme const& theme) {
            return top_bar(model, theme, queue, has_back, kaso::ui::LocalTextCell::create(""), compact);
        };
    };
    ChromeShot const shots[] {
        { "chrome-back-dark.png", 1280, 66, 1.0f, bar(true, false) },
        { "chrome-compact-dark.png", 480, 66, 1.5f, bar(true, true) },
        { "chrome-connecting-dark.png", 1280, 66, 1.0f,
            [&](VexaModel& model, kaso::ui::Theme const& theme) {
                model.status_label = "connecting…";
                return bar(false, false)(model, theme);
            } },
        { "chrome-rail-264-dark.png", 264, 800, 1.0f,
            [](VexaModel&, kaso::ui::Theme const& theme) { return nav_rail(Route::queue(), 264, theme); } },
    };
    for (auto const& shot : shots) {
        SCOPED_TRACE(shot.name);
        auto model = sample_catalogue();
        auto theme = kaso::ui::Theme::dark();
        auto chrome = shot.build(model, theme);
        auto root = std::make_unique<Flex>(Flex::column().width(Length::fill()).height(Length::fill()).with_child(std::move(chrome)));
        kaso::ui::FrameDriver driver(std::move(root), theme);
        driver.set_viewport(shot.width, shot.height, shot.scale);
        auto picture = kaso::ui::render_offscreen(driver, 0);
        ASSERT_TRUE(picture) << picture.error().message;
        test::expect_matches_reference(*picture, references / shot.name);
    }
}

}
}
