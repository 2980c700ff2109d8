#include <gtest/gtest.h>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Text.h"
#include "kaso/ui/TextMeasureCache.h"
#include "kaso/ui/TextRenderer.h"
#include "tests/ui/widgets/TestWidgets.h"

using namespace kaso::ui;
using namespace kaso::ui::testing;
using kaso::layout::AvailableSpace;

namespace {

std::string const sentence = "Seven quick creators upload a surprisingly long video title";

// A column of the given width holding one text.
struct TextFixture {
    TextFixture(Text text, float width)
    {
        auto root = std::make_unique<Stack>();
        Stack column;
        column.style.size.width = kaso::layout::Dimension::px(width);
        column.style.align_items = kaso::layout::AlignItems::Start;
        label = &column.add(std::move(text));
        root->add(std::move(column));
        driver = std::make_unique<FrameDriver>(std::move(root), Theme::dark());
        driver->set_viewport(800, 600, 1.0f);
        driver->frame(0);
    }
    DrawText drawn() const
    {
        auto texts = commands_of<DrawText>(driver->scene());
        EXPECT_EQ(texts.size(), 1u);
        return texts.empty() ? DrawText {} : texts.front();
    }
    Text* label { nullptr };
    std::unique_ptr<FrameDriver> driver;
};

TextStyle style_of(float size)
{
    TextStyle style;
    style.size = size;
    return style;
}

}

TEST(Text, WrapsWithinItsWidthAndIsAsTallAsItsLines)
{
    TextRenderer renderer;
    auto line = renderer.measure_style("Seven", style_of(14)).height;
    auto natural = renderer.measure_style(sentence, style_of(14));
    TextFixture fixture(Text(sentence).size(14), 150);
    auto rect = fixture.label->layout_rect();
    EXPECT_LE(rect.width(), 150);
    EXPECT_GT(rect.height(), line * 2.5);
    EXPECT_NEAR(rect.height(), renderer.measure_style(sentence, style_of(14), rect.width()).height, 1.0);
    EXPECT_LT(rect.height(), natural.height * 10);
    auto drawn = fixture.drawn();
    EXPECT_EQ(drawn.text, sentence);
    EXPECT_EQ(drawn.origin, (Point { rect.x0, rect.y0 }));
    // Drawn a hair wider than its rounded box, so it breaks where it was measured.
    EXPECT_GE(drawn.max_width, rect.width());
    EXPECT_LE(drawn.max_width, rect.width() + 1.0);
}

TEST(Text, ShortTextKeepsItsNaturalWidth)
{
    TextRenderer renderer;
    auto natural = renderer.measure_style("Home", style_of(21));
    TextFixture fixture(Text("Home").size(21), 400);
    EXPECT_NEAR(fixture.label->layout_rect().width(), natural.width, 1.0);
    EXPECT_NEAR(fixture.label->layout_rect().height(), natural.height, 1.0);
}

TEST(Text, AnswersEachKindOfMeasureRequest)
{
    TextRenderer renderer;
    Text text(sentence);
    text.size(14);
    auto natural = renderer.measure_style(sentence, style_of(14));
    auto widest_word = renderer.measure_style("surprisingly", style_of(14)).width;

    auto max = text.measure_with(renderer, {}, { AvailableSpace::max_content(), AvailableSpace::max_content() });
    EXPECT_NEAR(max.width, natural.width, 0.01);
    EXPECT_NEAR(max.height, natural.height, 0.01);

    auto min = text.measure_with(renderer, {}, { AvailableSpace::min_content(), AvailableSpace::max_content() });
    EXPECT_NEAR(min.width, widest_word, 0.01);
    EXPECT_GT(min.height, natural.height * 3);

    auto definite = text.measure_with(renderer, {}, { AvailableSpace::definite(200), AvailableSpace::max_content() });
    EXPECT_EQ(definite.width, 200);
    EXPECT_NEAR(definite.height, renderer.measure_style(sentence, style_of(14), 200).height, 0.01);

    // Less room than the widest word: the word still fits, the text overflows the space.
    auto squeezed = text.measure_with(renderer, {}, { AvailableSpace::definite(10), AvailableSpace::max_content() });
    EXPECT_NEAR(squeezed.width, widest_word, 0.01);

    auto known = text.measure_with(renderer, { 120.0f, std::nullopt }, { AvailableSpace::definite(500), AvailableSpace::max_content() });
    EXPECT_EQ(known.width, 120);
    EXPECT_NEAR(known.height, renderer.measure_style(sentence, style_of(14), 120).height, 0.01);
}

TEST(Text, AHugeWordDoesNotWidenItsBoxWithoutBound)
{
    TextRenderer renderer;
    Text text(std::string(2000, 'W'));
    text.size(10);
    auto min = text.measure_with(renderer, {}, { AvailableSpace::min_content(), AvailableSpace::max_content() });
    EXPECT_LE(min.width, 12 * 10 + 0.01);
    TextFixture fixture(Text(std::string(2000, 'W')).size(10), 300);
    EXPECT_LE(fixture.label->layout_rect().width(), 300);
}

TEST(Text, MaxLinesLimitsTheHeightAndEllipsizes)
{
    TextRenderer renderer;
    auto line = renderer.measure_style("Seven", style_of(14)).height;
    TextFixture fixture(Text(sentence).size(14).max_lines(2), 120);
    EXPECT_NEAR(fixture.label->layout_rect().height(), 2 * line, 1.0);
    auto drawn = fixture.drawn();
    EXPECT_EQ(drawn.style.max_lines, 2);
    EXPECT_GT(drawn.max_width, 0);
}

TEST(Text, OneLineTextsStayOnOneLine)
{
    TextRenderer renderer;
    auto natural = renderer.measure_style(sentence, style_of(14));
    // Without a line limit it overflows its box; with one it ends in an ellipsis at the edge.
    TextFixture overflowing(Text(sentence).size(14).wrap(false), 120);
    EXPECT_NEAR(overflowing.label->layout_rect().height(), natural.height, 1.0);
    EXPECT_EQ(overflowing.drawn().max_width, 0);

    Text ellipsized(sentence);
    ellipsized.size(14).wrap(false).max_lines(1);
    auto min = ellipsized.measure_with(renderer, {}, { AvailableSpace::min_content(), AvailableSpace::max_content() });
    EXPECT_EQ(min.width, 0);
    TextFixture limited(Text(sentence).size(14).wrap(false).max_lines(1), 120);
    EXPECT_NEAR(limited.label->layout_rect().height(), natural.height, 1.0);
    EXPECT_EQ(limited.drawn().style.max_lines, 1);
    EXPECT_GT(limited.drawn().max_width, 0);
}

TEST(Text, PaintsInTheThemeTextColourUnlessGivenOne)
{
    TextFixture plain(Text("Trending"), 300);
    EXPECT_EQ(plain.drawn().style.color, Theme::dark().text);
    TextFixture muted(Text("Trending").color(Color::rgb(1, 2, 3)).with_id("trending_title"), 300);
    EXPECT_EQ(muted.drawn().style.color, Color::rgb(1, 2, 3));
    EXPECT_EQ(muted.label->widget_id(), "trending_title");
}

TEST(Text, EmptyTextTakesNoWidthAndDrawsNothing)
{
    TextFixture fixture(Text(""), 300);
    EXPECT_EQ(fixture.label->layout_rect().width(), 0);
    EXPECT_TRUE(commands_of<DrawText>(fixture.driver->scene()).empty());
}

TEST(TextMeasureCache, ARebuiltLabelIsMeasuredOnceAndTheCacheStaysBounded)
{
    auto& cache = TextMeasureCache::current();
    cache.clear();
    TextRenderer renderer;
    TextStyle style = style_of(14);
    auto first = cache.measure(renderer, "Recent and popular", style, 0);
    EXPECT_EQ(first, renderer.measure_style("Recent and popular", style, 0));
    EXPECT_EQ(cache.size(), 1u);
    cache.measure(renderer, "Recent and popular", style, 0);
    EXPECT_EQ(cache.size(), 1u);
    // Another wrap width, weight or family is another entry.
    cache.measure(renderer, "Recent and popular", style, 60);
    style.weight = FontWeight::Bold;
    cache.measure(renderer, "Recent and popular", style, 0);
    style.family = "DejaVu Serif";
    cache.measure(renderer, "Recent and popular", style, 0);
    EXPECT_EQ(cache.size(), 4u);
    for (std::size_t i = 0; i <= TextMeasureCache::max_entries; ++i)
        cache.measure(renderer, std::to_string(i), style_of(14), 0);
    EXPECT_LE(cache.size(), TextMeasureCache::max_entries);
}
