#include <gtest/gtest.h>

#include <cstring>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "kaso/ui/Scene.h"

using namespace kaso::ui;

namespace {

// A box of a fixed size that paints itself in one colour and counts its events.
class Swatch final : public Widget {
public:
    Swatch(float width, float height, Color color)
        : m_width(width)
        , m_height(height)
        , m_color(color)
    {
    }
    kaso::layout::Style layout_style() const override
    {
        kaso::layout::Style style;
        style.size.width = kaso::layout::Dimension::px(m_width);
        style.size.height = kaso::layout::Dimension::px(m_height);
        return style;
    }
    void draw(Scene& scene, DrawContext&) override { scene.fill_rect(m_rect, m_color); }
    void handle_event(EventContext& context) override
    {
        if (std::holds_alternative<PointerMove>(context.event))
            last_move = context.logical_position();
        if (auto point = context.logical_position(); point && std::holds_alternative<PointerDown>(context.event) && m_rect.contains(*point)) {
            ++clicks;
            context.handled = true;
        }
    }
    int clicks { 0 };
    std::optional<Point> last_move;

private:
    float m_width;
    float m_height;
    Color m_color;
};

// A row of swatches with a label drawn on top; it reports a structure change on request.
class Row final : public Widget {
public:
    Row()
    {
        m_children.push_back(std::make_unique<Swatch>(100, 50, Color::rgb(255, 0, 0)));
        m_children.push_back(std::make_unique<Swatch>(60, 50, Color::rgb(0, 0, 255)));
    }
    kaso::layout::Style layout_style() const override
    {
        kaso::layout::Style style;
        style.display = kaso::layout::Display::Flex;
        style.flex_direction = kaso::layout::FlexDirection::Row;
        style.padding = { 10, 10, 10, 10 };
        return style;
    }
    void for_each_child(std::function<void(Widget&)> const& visit) override
    {
        for (auto& child : m_children)
            visit(*child);
    }
    void draw(Scene& scene, DrawContext& context) override
    {
        Widget::draw(scene, context);
        TextStyle style;
        style.color = Color::rgb(255, 255, 255);
        scene.draw_text("hello", style, { 12, 70 });
    }
    bool take_structure_dirty() override { return std::exchange(dirty, false); }
    Swatch& child(std::size_t i) { return static_cast<Swatch&>(*m_children[i]); }
    bool dirty { false };

private:
    std::vector<WidgetBox> m_children;
};

}

TEST(FrameDriver, LaysOutDrawsAndRebuildsOnlyWhenTheStructureChanges)
{
    auto owned = std::make_unique<Row>();
    auto& row = *owned;
    FrameDriver driver(std::move(owned), Theme::dark());
    driver.set_viewport(300, 200, 1.0f);
    driver.frame(0);
    EXPECT_EQ(driver.layout_builds(), 1u);
    EXPECT_EQ(row.layout_rect(), (Rect { 0, 0, 300, 200 }));
    EXPECT_EQ(row.child(0).layout_rect(), (Rect { 10, 10, 110, 60 }));
    EXPECT_EQ(row.child(1).layout_rect(), (Rect { 110, 10, 170, 60 }));
    EXPECT_EQ(driver.scene().texts(), std::vector<std::string> { "hello" });

    driver.frame(16);
    EXPECT_EQ(driver.layout_builds(), 1u);
    row.dirty = true;
    driver.frame(32);
    EXPECT_EQ(driver.layout_builds(), 2u);
    driver.set_viewport(400, 200, 1.0f);
    driver.frame(48);
    EXPECT_EQ(driver.layout_builds(), 3u);
}

TEST(FrameDriver, PointerPositionsAreDividedByTheScale)
{
    auto owned = std::make_unique<Row>();
    auto& row = *owned;
    FrameDriver driver(std::move(owned), Theme::dark());
    driver.set_viewport(300, 200, 2.0f);
    driver.frame(0);
    // (240, 40) device pixels is (120, 20) logical: inside the second swatch only.
    driver.dispatch(PointerDown { 240, 40 }, {});
    EXPECT_EQ(row.child(0).clicks, 0);
    EXPECT_EQ(row.child(1).clicks, 1);
    // Half-open edges: x = 110 logical belongs to the second swatch, not the first.
    driver.dispatch(PointerDown { 220, 40 }, {});
    EXPECT_EQ(row.child(0).clicks, 0);
    EXPECT_EQ(row.child(1).clicks, 2);
}

TEST(Offscreen, PaintsTheSceneAtTheScaleIntoAPng)
{
    FrameDriver driver(std::make_unique<Row>(), Theme::dark());
    driver.set_viewport(300, 200, 2.0f);
    auto image = render_offscreen(driver, 0);
    ASSERT_TRUE(image) << image.error().message;
    EXPECT_EQ(image->width, 600);
    EXPECT_EQ(image->height, 400);
    auto pixel = [&](int x, int y) {
        uint32_t value;
        std::memcpy(&value, image->pixels.data() + y * image->stride + x * 4, 4);
        return value & 0xffffff;
    };
    EXPECT_EQ(pixel(40, 40), 0xff0000u);  // inside the red swatch (20, 20 logical)
    EXPECT_EQ(pixel(280, 40), 0x0000ffu); // inside the blue one
    EXPECT_EQ(pixel(500, 300), 0x0f0f12u); // the theme's background
    auto png = encode_png(*image);
    ASSERT_TRUE(png);
    ASSERT_GT(png->size(), 8u);
    EXPECT_EQ(std::to_integer<int>((*png)[1]), 'P');
}

TEST(TextRenderer, MeasuresWithThePinnedFontAndWraps)
{
    TextRenderer text;
    TextStyle style;
    auto one = text.measure_style("Vexa", style);
    auto two = text.measure_style("Vexa Vexa", style);
    EXPECT_GT(one.width, 10);
    EXPECT_GT(two.width, one.width * 1.8);
    EXPECT_NEAR(one.height, two.height, 0.01);
    auto wrapped = text.measure_style("Vexa Vexa Vexa Vexa", style, one.width * 1.5);
    EXPECT_LE(wrapped.width, one.width * 1.5 + 0.5);
    EXPECT_GT(wrapped.height, one.height * 2.5);
    style.max_lines = 1;
    auto limited = text.measure_style("Vexa Vexa Vexa Vexa", style, one.width * 1.5);
    EXPECT_NEAR(limited.height, one.height, 0.01);
}

TEST(FrameDriver, HoverFollowsThePointerAcrossRebuildsAndScrolls)
{
    auto owned = std::make_unique<Row>();
    auto& row = *owned;
    FrameDriver driver(std::move(owned), Theme::dark());
    driver.set_viewport(300, 200, 2.0f);
    driver.frame(0);
    driver.dispatch(PointerMove { 40, 40 }, {});
    row.child(0).last_move.reset();
    row.dirty = true;
    driver.frame(16);
    ASSERT_TRUE(row.child(0).last_move);
    EXPECT_EQ(*row.child(0).last_move, (Point { 20, 20 }));

    row.child(0).last_move.reset();
    driver.dispatch(Scroll { 60, 40, 0, 30 }, {});
    ASSERT_TRUE(row.child(0).last_move);
    EXPECT_EQ(*row.child(0).last_move, (Point { 30, 20 }));

    // Once the pointer has left, a rebuild tells nobody where it is.
    driver.dispatch(PointerLeave {}, {});
    row.child(0).last_move.reset();
    row.dirty = true;
    driver.frame(32);
    EXPECT_FALSE(row.child(0).last_move);
}

TEST(TextRenderer, LaidOutTextsStayWithinTheirMemoryBudget)
{
    TextRenderer text;
    TextStyle style;
    // Long paragraphs (a description, a comment): far fewer of them fit than short labels.
    std::string paragraph(2000, 'x');
    for (std::size_t i = 0; i < paragraph.size(); i += 9)
        paragraph[i] = ' ';
    auto cost = TextRenderer::estimated_layout_bytes(paragraph);
    ASSERT_GT(cost, 2000u);
    std::size_t drawn = TextRenderer::layout_budget_bytes / cost + 50;
    for (std::size_t i = 0; i < drawn; ++i) {
        DrawText command { fmt::format("{} {}", i, paragraph), style, {}, 400 };
        auto bounds = text.ink_bounds(command);
        ASSERT_GT(bounds.height(), 20) << "a wrapped paragraph is several lines high";
        EXPECT_LE(text.cached_layout_bytes(), TextRenderer::layout_budget_bytes);
    }
    EXPECT_LT(text.cached_layouts(), drawn);
    // The same text again is the cached layout, and costs nothing more.
    DrawText again { "label", style, {}, 0 };
    text.ink_bounds(again);
    auto bytes = text.cached_layout_bytes();
    auto count = text.cached_layouts();
    EXPECT_EQ(text.ink_bounds(again), text.ink_bounds(again));
    EXPECT_EQ(text.cached_layout_bytes(), bytes);
    EXPECT_EQ(text.cached_layouts(), count);
}
