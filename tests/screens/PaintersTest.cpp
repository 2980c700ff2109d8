// The runtime painters the cards use: initials avatars, the switch and picture covers.

#include <gtest/gtest.h>

#include <cmath>

#include "kaso/ui/Avatar.h"
#include "kaso/ui/PaintImage.h"
#include "kaso/ui/ScaledImageCache.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/Theme.h"
#include "kaso/ui/Toggle.h"
#include "src/widgets/FlexStyle.h"

namespace kaso::ui {
namespace {

TEST(Avatar, ColoursAreStablePerInitialsAndReadable)
{
    auto theme = Theme::dark();
    for (auto initials : { "OL", "CG", "MK", "?", "éV" }) {
        auto colors = Avatar::color_for_initials(initials, theme);
        EXPECT_EQ(colors.background, Avatar::color_for_initials(initials, theme).background) << initials;
        EXPECT_EQ(colors.text, vexa::contrast_text_color(colors.background)) << initials;
    }
    EXPECT_NE(Avatar::color_for_initials("OL", theme).background, Avatar::color_for_initials("CG", theme).background);
    auto high = Avatar::color_for_initials("OL", Theme::high_contrast());
    EXPECT_EQ(high.text, Theme::high_contrast().text);
}

TEST(Avatar, DrawsADiscAndCentredInitials)
{
    Scene scene;
    TextRenderer text;
    auto theme = Theme::dark();
    auto colors = Avatar::color_for_initials("MN", theme);
    Avatar::draw_at(scene, { 10, 20, 66, 76 }, "MN", colors, theme, text);
    ASSERT_EQ(scene.commands().size(), 2u);
    auto const& disc = std::get<FillCircle>(scene.commands()[0]);
    EXPECT_EQ(disc.center, (Point { 38, 48 }));
    EXPECT_EQ(disc.radius, 28);
    auto const& label = std::get<DrawText>(scene.commands()[1]);
    EXPECT_EQ(label.text, "MN");
    EXPECT_FLOAT_EQ(label.style.size, 56 * 0.4f);
    Scene nothing;
    Avatar::draw_at(nothing, { 10, 20, 10, 76 }, "MN", colors, theme, text);
    EXPECT_TRUE(nothing.commands().empty());
}

TEST(Toggle, KnobFollowsTheFractionWithinTheTrack)
{
    auto theme = Theme::dark();
    struct Case {
        float fraction;
        double knob_x;
    };
    // A 44x24 track: the knob's centre runs from 12 to 32.
    Case const cases[] = { { 0, 12 }, { 1, 32 }, { 0.5f, 22 }, { -3, 12 }, { 7, 32 }, { NAN, 12 } };
    for (auto const& c : cases) {
        Scene scene;
        Toggle::draw(scene, { 0, 0, 44, 24 }, { .on_fraction = c.fraction }, theme);
        FillCircle const* knob = nullptr;
        for (auto const& command : scene.commands())
            if (auto const* circle = std::get_if<FillCircle>(&command))
                knob = circle;
        ASSERT_NE(knob, nullptr) << c.fraction;
        EXPECT_DOUBLE_EQ(knob->center.x, c.knob_x) << c.fraction;
        auto const& track = std::get<FillRect>(scene.commands()[0]);
        EXPECT_EQ(track.color, c.knob_x > 22 || c.fraction == 0.5f ? theme.highlight : theme.control_fill) << c.fraction;
    }
}

TEST(PaintImageCover, PaintsOnlyARealPictureIntoARealBox)
{
    auto picture = std::make_shared<Image>();
    picture->width = 4;
    picture->height = 2;
    picture->stride = 16;
    picture->pixels.resize(32);
    Scene scene;
    paint_image_cover(scene, picture, { 0, 0, 100, 50 }, 12);
    paint_image_cover(scene, picture, { 0, 0, 0, 50 }, 12);
    paint_image_cover(scene, nullptr, { 0, 0, 100, 50 }, 12);
    paint_image_cover(scene, std::make_shared<Image>(), { 0, 0, 100, 50 }, 12);
    ASSERT_EQ(scene.commands().size(), 1u);
    auto const& drawn = std::get<DrawImage>(scene.commands()[0]);
    EXPECT_EQ(drawn.fit, ImageFit::Cover);
    EXPECT_EQ(drawn.radius, 12);
}

TEST(ScaledImageCache, ReusesACopyPerPlacementWithinItsBudget)
{
    auto picture = std::make_shared<Image>();
    picture->width = 4;
    picture->height = 2;
    picture->stride = 16;
    picture->opaque = true;
    picture->pixels.assign(32, 0x80);
    ScaledImageCache cache;
    ScaledImageCache::Placement placement;
    placement.width = 100;
    placement.height = 50;
    placement.picture_width = 100;
    placement.picture_height = 50;
    placement.radius = 12;
    auto* first = cache.placed(picture, placement);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.placed(picture, placement), first);
    EXPECT_EQ(cache.cached_bytes(), 100u * 50 * 4);
    // Another box is another copy; a box beyond the whole budget is refused.
    placement.width = 101;
    EXPECT_NE(cache.placed(picture, placement), nullptr);
    placement.width = 8192;
    placement.height = 8192;
    EXPECT_EQ(cache.placed(picture, placement), nullptr);
    // Many large copies: the oldest go, the total stays within the budget.
    for (int i = 0; i < 20; ++i) {
        placement.width = 1024 + i;
        placement.height = 1024;
        ASSERT_NE(cache.placed(picture, placement), nullptr);
        EXPECT_LE(cache.cached_bytes(), ScaledImageCache::budget_bytes);
    }
    EXPECT_EQ(cache.placed(nullptr, placement), nullptr);
}

}
}
