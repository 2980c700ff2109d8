#include <gtest/gtest.h>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/NavSplit.h"
#include "kaso/ui/Scrollable.h"
#include "tests/ui/widgets/TestWidgets.h"

using namespace kaso::ui;
using namespace kaso::ui::testing;

namespace {

// A 66-high top bar over a NavSplit of a rail (a column of one box) and a content column that
// fills what it is given.
struct SplitFixture {
    struct Options {
        double width { 1280 };
        float scale { 1.0f };
        float threshold { 760 };
        float rail_width { 86 };
        bool shown { true };
        float fraction { 1.0f };
        std::optional<double> known_width;
    };

    explicit SplitFixture(Options options)
    {
        NavSplit::forget_widths();
        auto root = std::make_unique<Stack>();
        root->add(Box(-1, 66));
        Stack rail_column;
        rail_column.style.size.width = kaso::layout::Dimension::px(options.rail_width);
        rail_column.style.size.height = kaso::layout::Dimension::percent(1.0f);
        rail_item = &rail_column.add(Box(-1, 40, Color::rgb(0, 0, 255)));
        Stack content_column;
        content_column.style.size.width = kaso::layout::Dimension::percent(1.0f);
        content_column.style.size.height = kaso::layout::Dimension::percent(1.0f);
        content_item = &content_column.add(Box(-1, 200, Color::rgb(0, 255, 0)));
        auto split_value = NavSplit(std::move(rail_column), std::move(content_column))
                               .narrow_threshold(options.threshold)
                               .rail_width(options.rail_width)
                               .shown(options.shown)
                               .open_fraction(options.fraction);
        split = options.known_width ? &root->add(std::move(split_value).known_width(*options.known_width)) : &root->add(std::move(split_value));
        driver = std::make_unique<FrameDriver>(std::move(root), Theme::dark());
        driver->set_viewport(options.width, 800, options.scale);
        driver->frame(0);
        // A split that had no width to go by corrects itself on the next frame.
        driver->frame(16);
    }

    // The index in the scene of the first fill of a colour, or -1.
    int fill_index(Color color) const
    {
        auto const& commands = driver->scene().commands();
        for (std::size_t i = 0; i < commands.size(); ++i)
            if (auto const* fill = std::get_if<FillRect>(&commands[i]); fill && fill->color == color)
                return int(i);
        return -1;
    }

    NavSplit* split { nullptr };
    Box* rail_item { nullptr };
    Box* content_item { nullptr };
    std::unique_ptr<FrameDriver> driver;
};

// The options of one case; everything not given keeps the defaults of a 1280-wide window.
SplitFixture::Options options(double width, bool shown = true, float fraction = 1.0f, float threshold = 760, float rail_width = 86,
    float scale = 1.0f)
{
    SplitFixture::Options out;
    out.width = width;
    out.shown = shown;
    out.fraction = fraction;
    out.threshold = threshold;
    out.rail_width = rail_width;
    out.scale = scale;
    return out;
}

Color const rail_color = Color::rgb(0, 0, 255);
Color const content_color = Color::rgb(0, 255, 0);

}

TEST(NavSplit, PlacesTheRailBesideOrOverTheContent)
{
    struct Case {
        char const* name;
        SplitFixture::Options options;
        bool narrow;
        bool rail_drawn;
        Rect rail;
        Rect content;
    };
    Case const cases[] = {
        { "wide, shown", options(1280), false, true, { 0, 66, 86, 800 }, { 86, 66, 1280, 800 } },
        { "wide, hidden", options(1280, false), false, false, {}, { 0, 66, 1280, 800 } },
        { "narrow, shown: over the content", options(560), true, true, { 0, 66, 86, 800 }, { 0, 66, 560, 800 } },
        { "narrow, hidden", options(560, false), true, false, {}, { 0, 66, 560, 800 } },
        { "narrow, half open", options(560, true, 0.5f), true, true, { -43, 66, 43, 800 }, { 0, 66, 560, 800 } },
        { "wide, half open", options(1280, true, 0.5f), false, true, { -43, 66, 43, 800 }, { 43, 66, 1280, 800 } },
        { "759 is narrow", options(759), true, true, { 0, 66, 86, 800 }, { 0, 66, 759, 800 } },
        { "760 is not", options(760), false, true, { 0, 66, 86, 800 }, { 86, 66, 760, 800 } },
        { "large threshold at scale 2", options(1700, true, 1.0f, 1760, 264, 2.0f), true, true,
            { 0, 66, 264, 800 }, { 0, 66, 1700, 800 } },
        { "the rail takes a small window whole", options(480, true, 1.0f, 1760, 480, 2.0f), true, true,
            { 0, 66, 480, 800 }, { 0, 66, 480, 800 } },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        SplitFixture fixture(c.options);
        EXPECT_EQ(fixture.split->is_narrow(), c.narrow);
        EXPECT_EQ(fixture.split->rail_visible(), c.rail_drawn);
        EXPECT_EQ(fixture.split->content().layout_rect(), c.content);
        if (c.rail_drawn) {
            EXPECT_EQ(fixture.split->rail_rect(), c.rail);
            // Narrow, the rail is drawn after (over) the content.
            int rail = fixture.fill_index(rail_color);
            int content = fixture.fill_index(content_color);
            ASSERT_GE(rail, 0);
            EXPECT_GT(rail, content);
        } else {
            EXPECT_EQ(fixture.fill_index(rail_color), -1);
        }
    }
}

TEST(NavSplit, AKnownWidthDecidesTheFormAtTheFirstBuild)
{
    auto given = options(560);
    given.known_width = 560;
    SplitFixture fixture(given);
    EXPECT_EQ(fixture.driver->layout_builds(), 1u);
    EXPECT_TRUE(fixture.split->is_narrow());
}

TEST(NavSplit, WithoutAWidthItBuildsWideThenCorrectsItselfOnce)
{
    NavSplit::forget_widths();
    SplitFixture fixture(options(560));
    // Frame 0 built wide, found 560 and asked for a rebuild; frame 16 built narrow.
    EXPECT_EQ(fixture.driver->layout_builds(), 2u);
    EXPECT_TRUE(fixture.split->is_narrow());
    fixture.driver->frame(32);
    EXPECT_EQ(fixture.driver->layout_builds(), 2u);
    // Widening past the threshold: the viewport change rebuilds narrow (remembered 560),
    // then the split corrects itself.
    fixture.driver->set_viewport(1280, 800, 1.0f);
    fixture.driver->frame(48);
    fixture.driver->frame(64);
    EXPECT_FALSE(fixture.split->is_narrow());
    fixture.driver->frame(80);
    EXPECT_EQ(fixture.driver->layout_builds(), 4u);
}

TEST(NavSplit, AShownRailCoversTheContentForPointerEvents)
{
    SplitFixture fixture(options(560));
    // (40, 80) lies on both the rail's item and the content's item; the rail is on top.
    fixture.driver->dispatch(PointerMove { 40, 80 }, {});
    fixture.driver->dispatch(PointerDown { 40, 80 }, {});
    EXPECT_EQ(fixture.rail_item->clicks, 1);
    EXPECT_EQ(fixture.content_item->clicks, 0);
    EXPECT_FALSE(fixture.content_item->hovered);
    // Beside the rail the content gets it; the rail is told the pointer left.
    fixture.driver->dispatch(PointerMove { 200, 80 }, {});
    fixture.driver->dispatch(PointerDown { 200, 80 }, {});
    EXPECT_EQ(fixture.content_item->clicks, 1);
    EXPECT_EQ(fixture.rail_item->leaves, 1);
}

TEST(NavSplit, AHiddenRailGetsNoEvents)
{
    SplitFixture fixture(options(560, false));
    fixture.driver->dispatch(PointerDown { 40, 80 }, {});
    EXPECT_EQ(fixture.rail_item->pointer_events, 0);
    EXPECT_EQ(fixture.content_item->clicks, 1);
}

TEST(NavSplit, BadSettingsAreTamed)
{
    float const nan = std::numeric_limits<float>::quiet_NaN();
    SplitFixture fixture(options(1280, true, nan, nan, -20));
    EXPECT_EQ(fixture.split->rail_width(), 0);
    EXPECT_EQ(fixture.split->open_fraction(), 0);
    EXPECT_FALSE(fixture.split->is_narrow());
    EXPECT_EQ(fixture.split->content().layout_rect(), (Rect { 0, 66, 1280, 800 }));
}

TEST(NavSplit, AScrollViewInTheContentColumnGetsTheHeightLeftUnderTheTopBar)
{
    NavSplit::forget_widths();
    auto root = std::make_unique<Stack>();
    root->add(Box(-1, 66));
    Stack page;
    for (int i = 0; i < 20; ++i)
        page.add(Box(-1, 100));
    Stack content_column;
    content_column.style.size.width = kaso::layout::Dimension::percent(1.0f);
    content_column.style.size.height = kaso::layout::Dimension::percent(1.0f);
    content_column.style.overflow = { kaso::layout::Overflow::Hidden, kaso::layout::Overflow::Hidden };
    auto& view = content_column.add(Scrollable().with_child(std::move(page)));
    Stack rail;
    rail.style.size.width = kaso::layout::Dimension::px(86);
    rail.style.size.height = kaso::layout::Dimension::percent(1.0f);
    root->add(NavSplit(std::move(rail), std::move(content_column)).rail_width(86).known_width(1280));
    FrameDriver driver(std::move(root), Theme::dark());
    driver.set_viewport(1280, 800, 1.0f);
    driver.frame(0);
    EXPECT_EQ(view.layout_rect(), (Rect { 86, 66, 1280, 800 }));
    EXPECT_EQ(view.max_offset().y, 2000 - 734);
}
