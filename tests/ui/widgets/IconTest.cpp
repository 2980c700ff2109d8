#include <gtest/gtest.h>

#include <algorithm>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/IconWidget.h"
#include "kaso/ui/Icons.h"
#include "kaso/ui/Offscreen.h"
#include "tests/ui/widgets/TestWidgets.h"

using namespace kaso::ui;
using namespace kaso::ui::testing;

namespace {

// Every icon the application's pages, rail, palette and search catalogue pass.
std::vector<Icon> const page_icons = { Icon::Creators, Icon::Device, Icon::DeviceApproved, Icon::Key, Icon::Search, Icon::Settings,
    Icon::Home, Icon::Back, Icon::Onward, Icon::Verified, Icon::Trending, Icon::Person, Icon::History, Icon::Like, Icon::Dislike,
    Icon::List, Icon::Empty, Icon::Menu, Icon::Check, Icon::Video, Icon::Clear, Icon::Skip };

struct IconFixture {
    explicit IconFixture(IconWidget icon)
    {
        auto root = std::make_unique<Stack>(kaso::layout::FlexDirection::Row);
        root->style.padding = { 10, 20, 0, 0 };
        root->style.align_items = kaso::layout::AlignItems::Start;
        widget = &root->add(std::move(icon));
        driver = std::make_unique<FrameDriver>(std::move(root), Theme::dark());
        driver->set_viewport(200, 200, 1.0f);
        driver->frame(0);
    }
    IconWidget* widget { nullptr };
    std::unique_ptr<FrameDriver> driver;
};

}

TEST(Icons, EveryNumberThePagesUseHasADrawingInsideTheBox)
{
    for (Icon icon : page_icons) {
        int number = int(icon);
        auto const& drawing = icon_drawing(icon);
        ASSERT_FALSE(drawing.subpaths.empty()) << int(number);
        EXPECT_EQ(drawing.closed.size(), drawing.subpaths.size()) << int(number);
        for (auto const& subpath : drawing.subpaths) {
            EXPECT_GE(subpath.size(), 2u) << int(number);
            for (auto const& point : subpath) {
                EXPECT_GE(point.x, 0) << int(number);
                EXPECT_LE(point.x, 24) << int(number);
                EXPECT_GE(point.y, 0) << int(number);
                EXPECT_LE(point.y, 24) << int(number);
            }
        }
    }
    EXPECT_TRUE(std::ranges::includes(all_icons(), page_icons));
}

TEST(Icons, DistinctNumbersDrawDistinctIcons)
{
    for (std::size_t i = 0; i < page_icons.size(); ++i)
        for (std::size_t j = i + 1; j < page_icons.size(); ++j)
            EXPECT_NE(icon_drawing(page_icons[i]).subpaths, icon_drawing(page_icons[j]).subpaths)
                << int(page_icons[i]) << " and " << int(page_icons[j]);
}

TEST(Icons, NoneAndUnknownNumbersAreEmpty)
{
    EXPECT_TRUE(icon_drawing(Icon::None).subpaths.empty());
    EXPECT_TRUE(icon_drawing(Icon(200)).subpaths.empty());
}

TEST(IconWidget, ScalesTheDrawingToItsSizeAndKeepsTheStrokeWidth)
{
    IconFixture fixture(IconWidget(Icon::Search).size(18).color(Color::rgb(9, 8, 7)).stroke_width(1.5f));
    EXPECT_EQ(fixture.widget->layout_rect(), (Rect { 10, 20, 28, 38 }));
    auto paths = commands_of<StrokePath>(fixture.driver->scene());
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].color, Color::rgb(9, 8, 7));
    EXPECT_EQ(paths[0].width, 1.5);
    auto const& drawing = icon_drawing(Icon::Search);
    ASSERT_EQ(paths[0].subpaths.size(), drawing.subpaths.size());
    for (std::size_t s = 0; s < drawing.subpaths.size(); ++s) {
        ASSERT_EQ(paths[0].subpaths[s].size(), drawing.subpaths[s].size());
        for (std::size_t p = 0; p < drawing.subpaths[s].size(); ++p) {
            EXPECT_NEAR(paths[0].subpaths[s][p].x, 10 + drawing.subpaths[s][p].x * 18 / 24, 1e-9);
            EXPECT_NEAR(paths[0].subpaths[s][p].y, 20 + drawing.subpaths[s][p].y * 18 / 24, 1e-9);
        }
    }
    EXPECT_EQ(paths[0].closed, drawing.closed);
}

TEST(IconWidget, PaintsInTheThemeTextColourByDefaultAndNothingForNone)
{
    IconFixture plain(IconWidget(Icon::Home).size(20));
    auto paths = commands_of<StrokePath>(plain.driver->scene());
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].color, Theme::dark().text);

    IconFixture none(IconWidget(Icon::None).size(20));
    EXPECT_TRUE(commands_of<StrokePath>(none.driver->scene()).empty());
    EXPECT_EQ(none.widget->layout_rect().width(), 20);

    IconFixture bad(IconWidget(Icon::Home).size(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(bad.widget->layout_rect().width(), 0);
    EXPECT_TRUE(commands_of<StrokePath>(bad.driver->scene()).empty());
}

TEST(IconWidget, PaintsItsStrokesIntoPixels)
{
    IconFixture fixture(IconWidget(Icon::Search).size(48).color(Color::rgb(255, 255, 255)).stroke_width(3));
    auto image = render_offscreen(*fixture.driver, 0);
    ASSERT_TRUE(image) << image.error().message;
    auto lit = [&](int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                count += image->pixels[std::size_t(y * image->stride + x * 4 + 1)] > 0x80;
        return count;
    };
    // The magnifier's ring and handle fall inside the icon's box (10..58, 20..68), nothing outside.
    EXPECT_GT(lit(10, 20, 58, 68), 100);
    EXPECT_EQ(lit(70, 80, 200, 200), 0);
    // The centre of the ring is empty.
    EXPECT_EQ(lit(10 + 19, 20 + 19, 10 + 23, 20 + 23), 0);
}
