// Its own program: the fonts prepared ahead go to the first renderer of the process only.

#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "kaso/ui/TextRenderer.h"

using namespace kaso::ui;

// The first renderer takes over fonts loaded on another thread; it measures every text as a
// renderer that loaded its own fonts does, in the sizes prepared and in others.
TEST(PreparedFonts, TheFirstRendererMeasuresAsAFreshOne)
{
    constexpr std::array<float, 2> sizes { 13, 16 };
    std::thread([&] { TextRenderer::prepare_fonts("DejaVu Sans", sizes); }).join();
    TextRenderer prepared("DejaVu Sans");
    TextRenderer fresh("DejaVu Sans");
    struct Case {
        char const* text;
        float size;
        FontWeight weight;
        double max_width;
    };
    for (auto const& c : { Case { "Home", 13, FontWeight::Regular, 0 }, Case { "Trending now", 16, FontWeight::Bold, 0 },
             Case { "A title long enough to wrap onto a second line", 14.5f, FontWeight::Regular, 120 }, Case { "", 21, FontWeight::Semibold, 0 } }) {
        TextStyle style;
        style.size = c.size;
        style.weight = c.weight;
        auto a = prepared.measure_style(c.text, style, c.max_width);
        auto b = fresh.measure_style(c.text, style, c.max_width);
        EXPECT_EQ(a.width, b.width) << c.text;
        EXPECT_EQ(a.height, b.height) << c.text;
        EXPECT_GT(a.height, 0) << c.text;
    }
    // Once a renderer exists, preparing loads nothing more for anyone.
    TextRenderer::prepare_fonts("DejaVu Sans", sizes);
    TextRenderer later("DejaVu Sans");
    TextStyle style;
    EXPECT_EQ(later.measure_style("Home", style).width, fresh.measure_style("Home", style).width);
}
