// The card leaves as they paint: placeholders, badges, the watched bar, pictures from the
// store, initials, and the large meta block's measured height.

#include <gtest/gtest.h>

#include <cstring>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "kaso/ui/TextRenderer.h"
#include "src/model/Formatting.h"
#include "src/widgets/ChannelAvatar.h"
#include "src/widgets/Flex.h"
#include "src/widgets/ImageBox.h"
#include "src/widgets/LargeVideoMeta.h"
#include "src/widgets/Thumbnail.h"
#include "tests/screens/ScreenFixtures.h"

namespace vexa {
namespace {

using namespace kaso::ui;

// Lays the widget out alone in a column `width` wide and paints one frame.
template<typename W>
std::unique_ptr<FrameDriver> painted(W widget, double width = 320, double height = 400, float scale = 1.0f)
{
    auto root = std::make_unique<Flex>(Flex::column().width(Length::px(float(width))).with_child(std::move(widget)));
    auto driver = std::make_unique<FrameDriver>(std::move(root), Theme::dark());
    driver->set_viewport(width, height, scale);
    driver->frame(0);
    return driver;
}

template<typename T>
std::vector<T> commands_of(FrameDriver const& driver)
{
    std::vector<T> found;
    for (auto const& command : driver.scene().commands())
        if (auto const* typed = std::get_if<T>(&command))
            found.push_back(*typed);
    return found;
}

Color const bar_red { 1.0f, 0.0f, 0.2f, 1.0f };

std::optional<FillRect> watched_bar(FrameDriver const& driver)
{
    for (auto const& fill : commands_of<FillRect>(driver))
        if (fill.color == bar_red)
            return fill;
    return std::nullopt;
}

TEST(Thumbnail, PlaceholderIsTheSeedsGradientWithAPlayDisc)
{
    auto driver = painted(Thumbnail("vid_seed", 125));
    auto gradients = commands_of<FillGradient>(*driver);
    ASSERT_EQ(gradients.size(), 1u);
    auto colors = avatar_colors("vid_seed");
    EXPECT_EQ(gradients[0].start, colors[0]);
    EXPECT_EQ(gradients[0].end, colors[1]);
    EXPECT_EQ(gradients[0].rect, (Rect { 0, 0, 320, 169 }));
    EXPECT_EQ(gradients[0].radius, 12);
    auto triangles = commands_of<FillPolygon>(*driver);
    ASSERT_EQ(triangles.size(), 1u);
    EXPECT_EQ(triangles[0].points[2], (Point { 160 + 11, 84.5 })); // the tip, half the 22 radius right of the centre
    EXPECT_EQ(driver->scene().texts(), std::vector<std::string> { "2:05" });

    // Same seed, same colours; the outline and the placeholder of a 20-high picture round by 10.
    auto low = painted(Thumbnail("vid_seed", 0).height(20));
    EXPECT_EQ(commands_of<FillGradient>(*low)[0].start, colors[0]);
    EXPECT_EQ(commands_of<FillGradient>(*low)[0].radius, 10);
    EXPECT_EQ(commands_of<StrokeRect>(*low).back().radius, 10);
}

TEST(Thumbnail, BadgesAndWatchedBar)
{
    struct Case {
        char const* name;
        bool live;
        uint32_t duration;
        std::optional<float> progress;
        std::string badge;
        std::optional<double> bar_width; // of 200
    };
    Case const cases[] = {
        { "live shows LIVE, no duration", true, 3600, std::nullopt, "LIVE", std::nullopt },
        { "zero duration still has its timecode", false, 0, std::nullopt, "0:00", std::nullopt },
        { "an hour and more", false, 3725, std::nullopt, "1:02:05", std::nullopt },
        { "35 percent watched", false, 61, 0.35f, "1:01", 70 },
        { "more than all is all", false, 61, 1.7f, "1:01", 200 },
        { "less than nothing is nothing", false, 61, -0.5f, "1:01", 0 },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        auto thumbnail = Thumbnail("seed", c.duration).live(c.live);
        if (c.progress)
            thumbnail = std::move(thumbnail).progress(*c.progress);
        auto driver = painted(std::move(thumbnail), 200);
        EXPECT_EQ(driver->scene().texts(), std::vector<std::string> { c.badge });
        auto bar = watched_bar(*driver);
        ASSERT_EQ(bar.has_value(), c.bar_width.has_value());
        if (bar) {
            EXPECT_NEAR(bar->rect.width(), *c.bar_width, 1e-3);
        }
    }
}

TEST(Thumbnail, BadgeSitsAtTheBottomRight)
{
    auto driver = painted(Thumbnail("seed", 61), 200);
    auto fills = commands_of<FillRect>(*driver);
    ASSERT_FALSE(fills.empty());
    auto const& badge = fills.back();
    EXPECT_DOUBLE_EQ(badge.rect.x1, 192);
    EXPECT_DOUBLE_EQ(badge.rect.y0, 169 - 26);
    EXPECT_DOUBLE_EQ(badge.rect.height(), 17);
    EXPECT_EQ(badge.radius, 4);
}

TEST(CardPictures, ArriveFromTheStoreAndReplaceThePlaceholder)
{
    auto store = std::make_shared<image_store::ImageStore>(test::fake_fetch());
    auto root = std::make_unique<Flex>(Flex::column()
                                           .width(Length::px(300))
                                           .with_child(Thumbnail("a", 10).with_image(store, "test://thumb/a"))
                                           .with_child(ImageBox("b", 80, 6).with_image(store, "test://box/b"))
                                           .with_child(ChannelAvatar(store, "test://avatar/c", "Orbit Lab", 40))
                                           .with_child(Thumbnail("d", 10).with_image(store, "bad:address"))
                                           .with_child(Thumbnail("e", 10).with_image(nullptr, "test://no-store"))
                                           .with_child(Thumbnail("f", 10).with_image(store, "")));
    FrameDriver driver(std::move(root), Theme::dark());
    driver.set_viewport(300, 800, 1);
    driver.frame(0);
    EXPECT_TRUE(commands_of<DrawImage>(driver).empty());
    ASSERT_TRUE(store->block_until_idle(std::chrono::seconds(10)));
    driver.frame(1);
    auto images = commands_of<DrawImage>(driver);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].radius, 12);
    EXPECT_EQ(images[1].radius, 6);
    // The failed address keeps its placeholder; the widgets without store or address asked nothing.
    EXPECT_EQ(commands_of<FillGradient>(driver).size(), 3u);
    EXPECT_EQ(store->cached_count(), 3u);
    EXPECT_EQ(store->pending(), 0u);
}

// The colour of one pixel of a painted picture, as 0xRRGGBB.
uint32_t pixel_at(Image const& image, int x, int y)
{
    uint32_t value = 0;
    std::memcpy(&value, image.data() + std::size_t(y) * std::size_t(image.stride) + std::size_t(x) * 4, 4);
    return value & 0xffffffu;
}

TEST(CardPictures, PaintCoveringTheirBoxInsideTheRoundedCorners)
{
    // One solid picture, painted twice (the second time from the painter's scaled copy).
    auto store = std::make_shared<image_store::ImageStore>([](std::string_view) { return test::solid_png(64, 36, 0x20, 0x80, 0xe0); });
    auto root = std::make_unique<Flex>(Flex::column().width(Length::px(300)).with_child(Thumbnail("a", 10).with_image(store, "test://a")));
    FrameDriver driver(std::move(root), Theme::dark());
    driver.set_viewport(300, 200, 1);
    driver.frame(0);
    ASSERT_TRUE(store->block_until_idle(std::chrono::seconds(10)));
    for (uint64_t now : { 1, 2 }) {
        auto picture = render_offscreen(driver, now);
        ASSERT_TRUE(picture);
        EXPECT_EQ(pixel_at(*picture, 20, 20), 0x2080e0u);
        EXPECT_EQ(pixel_at(*picture, 299 - 20, 140), 0x2080e0u);
        // Outside the rounded corner the background shows.
        EXPECT_EQ(pixel_at(*picture, 0, 0), 0x0f0f12u);
    }
}

TEST(ChannelAvatar, InitialsAndAccessibleName)
{
    struct Case {
        char const* name;
        char const* initials;
    };
    Case const cases[] = {
        { "morning news today", "MN" },
        { "Orbit", "O" },
        { "", "?" },
        { "   ", "?" },
        { "élan vital", "éV" },
        { "Ünal Öz", "ÜÖ" },
    };
    for (auto const& c : cases) {
        ChannelAvatar avatar(nullptr, "", c.name, 36);
        EXPECT_EQ(avatar.initials(), c.initials) << c.name;
        auto node = avatar.accessibility();
        ASSERT_TRUE(node);
        EXPECT_EQ(node->role, AccessRole::Image);
        EXPECT_EQ(node->name, c.initials);
    }
    auto driver = painted(ChannelAvatar(nullptr, "", "morning news today", 36));
    EXPECT_EQ(driver->scene().texts(), std::vector<std::string> { "MN" });
    auto discs = commands_of<FillCircle>(*driver);
    ASSERT_EQ(discs.size(), 1u);
    EXPECT_EQ(discs[0].radius, 18);
}

TEST(CardWidgets, LayoutDirtyUntilPlaced)
{
    Thumbnail thumbnail("seed", 1);
    ImageBox box("seed", 40, 4);
    ChannelAvatar avatar(nullptr, "", "A", 36);
    LargeVideoMeta meta("t", "c", "m");
    EXPECT_TRUE(thumbnail.is_layout_dirty());
    EXPECT_TRUE(box.is_layout_dirty());
    EXPECT_TRUE(avatar.is_layout_dirty());
    EXPECT_TRUE(meta.is_layout_dirty());
    auto driver = painted(Thumbnail("seed", 1));
    EXPECT_FALSE(driver->root().layout_needs_measure());
}

TEST(LargeVideoMeta, MeasuresWithThePaintedStyles)
{
    std::string const title = "A rather long title that needs more than one line at this width, surely";
    for (float scale : { 1.5f, 2.0f }) {
        SCOPED_TRACE(scale);
        auto driver = painted(LargeVideoMeta(title, "Orbit Lab", "1.2K views • 3 days ago"), 240, 600, scale);
        auto texts = commands_of<DrawText>(*driver);
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[0].style.size, LargeVideoMeta::title_style().size);
        EXPECT_EQ(texts[1].style.size, LargeVideoMeta::detail_style().size);
        // The measured block is exactly the painted lines plus the scaled gaps.
        auto& renderer = driver->text();
        double h1 = renderer.measure_style(title, texts[0].style, 240).height;
        double h2 = renderer.measure_style("Orbit Lab", texts[1].style, 240).height;
        double h3 = renderer.measure_style("1.2K views • 3 days ago", texts[2].style, 240).height;
        EXPECT_NEAR(texts[1].origin.y - texts[0].origin.y, h1 + 12 * scale, 1e-3);
        EXPECT_NEAR(texts[2].origin.y - texts[1].origin.y, h2 + 8 * scale, 1e-3);
        auto* meta = dynamic_cast<LargeVideoMeta*>(driver->root().children()[0]);
        ASSERT_NE(meta, nullptr);
        EXPECT_NEAR(meta->measured_height(), h1 + h2 + h3 + 38 * scale, 1e-3);
        EXPECT_NEAR(meta->layout_rect().height(), meta->measured_height(), 1.0); // the layout rounds to pixels
    }
}

TEST(LargeVideoMeta, MaxContentMeasuresAt900)
{
    LargeVideoMeta meta("title", "creator", "meta");
    TextRenderer renderer;
    auto theme = Theme::dark();
    BuildContext context { theme, 2.0f, renderer };
    kaso::layout::Size<std::optional<float>> known {};
    kaso::layout::Size<kaso::layout::AvailableSpace> available { kaso::layout::AvailableSpace::max_content(),
        kaso::layout::AvailableSpace::max_content() };
    auto size = meta.measure(known, available, context);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 900);
}

}
}
