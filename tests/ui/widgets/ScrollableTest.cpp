#include <gtest/gtest.h>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Scrollable.h"
#include "tests/ui/widgets/TestWidgets.h"

using namespace kaso::ui;
using namespace kaso::ui::testing;

namespace {

// A window 400×400: a 100-high header, then a scroll view (y 100..400) over a column of ten
// 100-high rows: content 1000 high in a 300-high view.
struct ScrollFixture {
    explicit ScrollFixture(ScrollOffsetCell cell = std::make_shared<ScrollOffset>(), int rows = 10)
        : cell(cell)
    {
        auto root = std::make_unique<Stack>();
        header = &root->add(Box(400, 100, Color::rgb(0, 0, 200)));
        Stack page;
        for (int i = 0; i < rows; ++i)
            boxes.push_back(&page.add(Box(-1, 100, Color::rgb(0, uint8_t(20 * i), 0))));
        Scrollable view = Scrollable().with_child(std::move(page)).with_persisted_offset("home", cell);
        scroll = &root->add(std::move(view));
        driver = std::make_unique<FrameDriver>(std::move(root), Theme::dark());
        driver->set_viewport(400, 400, 1.0f);
        driver->frame(0);
    }
    void wheel(double x, double y, double dy) { driver->dispatch(Scroll { x, y, 0, dy }, {}); }

    ScrollOffsetCell cell;
    Box* header { nullptr };
    std::vector<Box*> boxes;
    Scrollable* scroll { nullptr };
    std::unique_ptr<FrameDriver> driver;
};

}

TEST(Scrollable, FillsItsParentAndReadsTheContentExtentFromTheLayout)
{
    ScrollFixture view;
    EXPECT_EQ(view.scroll->layout_rect(), (Rect { 0, 100, 400, 400 }));
    EXPECT_EQ(view.scroll->content_size().height, 1000);
    EXPECT_EQ(view.scroll->max_offset(), (ScrollOffset { 0, 700 }));
    EXPECT_EQ(view.boxes[0]->layout_rect(), (Rect { 0, 100, 400, 200 }));
}

TEST(Scrollable, WheelScrollsOverItAndClampsToTheContent)
{
    struct Case {
        double dy;
        float expected;
        bool handled_after;
    };
    // Each step starts where the previous one left off.
    Case const steps[] = {
        { 50, 50, true },
        { 1000, 700, true },
        { 30, 700, false }, // already at the end: left to an enclosing view
        { -250, 450, true },
        { -10000, 0, true },
    };
    ScrollFixture view;
    for (auto const& step : steps) {
        view.wheel(200, 250, step.dy);
        EXPECT_EQ(view.cell->y, step.expected) << "dy " << step.dy;
        EXPECT_EQ(view.scroll->offset().y, step.expected);
    }
    // A wheel over the header, outside the view, moves nothing.
    view.wheel(200, 50, 100);
    EXPECT_EQ(view.cell->y, 0);
}

TEST(Scrollable, ScrollingRePlacesTheDrawingWithoutSolvingTheLayoutAgain)
{
    ScrollFixture view;
    auto before = view.boxes[3]->layout_rect();
    view.wheel(200, 250, 120);
    view.driver->frame(16);
    EXPECT_EQ(view.driver->layout_builds(), 1u);
    EXPECT_EQ(view.boxes[3]->layout_rect(), before);

    auto fills = commands_of<FillRect>(view.driver->scene());
    // The header, then the rows that meet the view (rows 1 to 4 at offset 120), shifted up.
    ASSERT_GE(fills.size(), 2u);
    EXPECT_EQ(fills[0].rect, (Rect { 0, 0, 400, 100 }));
    EXPECT_EQ(fills[1].rect, (Rect { 0, 100 + 100 - 120, 400, 100 + 200 - 120 }));
    std::size_t rows = 0;
    for (auto const& fill : fills)
        if (fill.rect.width() == 400 && fill.rect != fills[0].rect)
            ++rows;
    EXPECT_EQ(rows, 4u) << "rows outside the view are not drawn";

    auto clips = commands_of<PushClip>(view.driver->scene());
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0].rect, (Rect { 0, 100, 400, 400 }));
}

TEST(Scrollable, HitTestsFollowTheOffset)
{
    ScrollFixture view;
    view.wheel(200, 250, 150);
    // Window y 160 is content y 310 at offset 150: the row whose unscrolled rect is 300..400.
    view.driver->dispatch(PointerDown { 10, 160 }, {});
    EXPECT_EQ(view.boxes[2]->clicks, 1);
    EXPECT_EQ(view.boxes[0]->clicks, 0);
    ASSERT_TRUE(view.boxes[2]->last_position);
    EXPECT_EQ(view.boxes[2]->last_position->y, 310);
}

TEST(Scrollable, HitTestsFollowTheOffsetAtAScaleFactor)
{
    ScrollFixture view;
    view.driver->set_viewport(400, 400, 2.0f);
    view.driver->frame(16);
    view.driver->dispatch(Scroll { 400, 500, 0, 150 }, {});
    // Device (20, 320) is logical (10, 160): content y 310 again.
    view.driver->dispatch(PointerDown { 20, 320 }, {});
    EXPECT_EQ(view.boxes[2]->clicks, 1);
}

TEST(Scrollable, PassesNoPointerEventOutsideItsRectangleToItsChild)
{
    ScrollFixture view;
    view.wheel(200, 250, 100);
    int before = view.boxes[0]->pointer_events;
    // Scrolled by 100, the first row's unscrolled rect (100..200) lies under the header: a
    // press on the header, shifted into the content, would land on it. It must not.
    view.driver->dispatch(PointerDown { 10, 150 - 100 }, {});
    EXPECT_EQ(view.boxes[0]->clicks, 0);
    EXPECT_EQ(view.boxes[0]->pointer_events, before);
    EXPECT_EQ(view.header->clicks, 1);
}

TEST(Scrollable, TellsTheChildThePointerLeftWhenItMovesOutside)
{
    ScrollFixture view;
    view.driver->dispatch(PointerMove { 10, 150 }, {});
    EXPECT_TRUE(view.boxes[0]->hovered);
    view.driver->dispatch(PointerMove { 10, 50 }, {});
    EXPECT_FALSE(view.boxes[0]->hovered);
    EXPECT_EQ(view.boxes[0]->leaves, 1);
    // Further moves outside say nothing more; a release outside ends any press.
    view.driver->dispatch(PointerMove { 10, 40 }, {});
    EXPECT_EQ(view.boxes[0]->leaves, 1);
    view.driver->dispatch(PointerUp { 10, 40 }, {});
    EXPECT_EQ(view.boxes[0]->leaves, 2);
}

TEST(Scrollable, KeepsItsOffsetInTheSharedCellAcrossRebuilds)
{
    auto cell = std::make_shared<ScrollOffset>();
    {
        ScrollFixture first(cell);
        first.wheel(200, 250, 240);
        EXPECT_EQ(cell->y, 240);
    }
    // A new tree over the same cell starts where the old one was.
    ScrollFixture second(cell);
    EXPECT_EQ(second.scroll->offset().y, 240);
    auto fills = commands_of<FillRect>(second.driver->scene());
    ASSERT_GE(fills.size(), 2u);
    EXPECT_EQ(fills[1].rect.y0, 100 + 200 - 240); // row 2 is the first one drawn
}

TEST(Scrollable, AShorterPageClampsTheOffsetButTheCellKeepsIt)
{
    auto cell = std::make_shared<ScrollOffset>(ScrollOffset { 0, 600 });
    // Three rows: 300 of content in a 300-high view, nothing to scroll.
    ScrollFixture short_page(cell, 3);
    EXPECT_EQ(short_page.scroll->offset().y, 0);
    EXPECT_EQ(cell->y, 600);
    ScrollFixture long_page(cell, 10);
    EXPECT_EQ(long_page.scroll->offset().y, 600);
}

TEST(Scrollable, BadOffsetsInTheCellCountAsZero)
{
    for (float bad : { -50.0f, std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity() }) {
        auto cell = std::make_shared<ScrollOffset>(ScrollOffset { bad, bad });
        ScrollFixture view(cell);
        EXPECT_EQ(view.scroll->offset(), (ScrollOffset { 0, 0 })) << bad;
        view.wheel(200, 250, 30);
        EXPECT_EQ(cell->y, 30) << bad;
    }
    auto cell = std::make_shared<ScrollOffset>(ScrollOffset { 0, std::numeric_limits<float>::infinity() });
    ScrollFixture view(cell);
    EXPECT_EQ(view.scroll->offset().y, 700);
    // Wheel deltas that are no numbers leave the position alone.
    view.scroll->scroll_to({ 0, 300 });
    for (double bad : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() }) {
        view.wheel(200, 250, bad);
        EXPECT_EQ(cell->y, 300) << bad;
    }
}

TEST(Scrollable, DrawsAnIndicatorOnlyWhenTheContentOverflows)
{
    auto indicator_count = [](FrameDriver const& driver) {
        std::size_t count = 0;
        for (auto const& fill : commands_of<FillRect>(driver.scene()))
            if (fill.radius > 0)
                ++count;
        return count;
    };
    ScrollFixture overflowing;
    EXPECT_EQ(indicator_count(*overflowing.driver), 1u);
    ScrollFixture fitting(std::make_shared<ScrollOffset>(), 2);
    EXPECT_EQ(indicator_count(*fitting.driver), 0u);
}

TEST(Scrollable, HoverFollowsTheContentThatScrollsUnderAStillPointer)
{
    ScrollFixture view;
    view.driver->dispatch(PointerMove { 10, 150 }, {});
    EXPECT_TRUE(view.boxes[0]->hovered);
    view.wheel(10, 150, 100);
    EXPECT_FALSE(view.boxes[0]->hovered);
    EXPECT_TRUE(view.boxes[1]->hovered);
}

TEST(Scrollable, RevealsADescendantByScrollingTheLeastDistance)
{
    ScrollFixture view;
    for (std::size_t i = 0; i < view.boxes.size(); ++i)
        view.boxes[i]->id = "row_" + std::to_string(i);
    EXPECT_FALSE(view.scroll->reveal_descendant("nowhere"));
    EXPECT_EQ(view.cell->y, 0);
    struct Case {
        char const* id;
        float offset;
    };
    // Row i lies at 100 + 100 i .. 200 + 100 i unscrolled; the view shows 300 from y 100.
    Case const steps[] = {
        { "row_7", 500 }, // below: its bottom comes to the view's bottom
        { "row_2", 200 }, // above: its top comes to the view's top
        { "row_3", 200 }, // already in view: nothing moves
        { "row_9", 700 },
    };
    for (auto const& step : steps) {
        EXPECT_TRUE(view.scroll->reveal_descendant(step.id));
        EXPECT_EQ(view.cell->y, step.offset) << step.id;
    }
}
