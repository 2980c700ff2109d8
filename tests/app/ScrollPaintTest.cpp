#include <gtest/gtest.h>

#include <cstdlib>

#include "kaso/ui/FrameCanvas.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "src/app/VexaApp.h"
#include "src/backend/SampleCatalogue.h"

using namespace kaso::ui;
using vexa::Route;

namespace {

// The largest difference of any channel between two pictures of one size.
int worst_difference(Image const& a, Image const& b)
{
    int worst = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width * 4; ++x) {
            auto offset = std::size_t(y) * std::size_t(a.stride) + std::size_t(x);
            worst = std::max(worst, std::abs(int(a.data()[offset]) - int(b.data()[offset])));
        }
    return worst;
}

}

// Wheel scrolling a page of the application, the pointer over the cards: the window's canvas
// moves the pixels it has and paints the rest, and shows what a whole repaint would.
TEST(ScrollPaint, PagesScrolledByTheWheelReuseTheirPixels)
{
    for (auto const& route : { Route::home(), Route::trending(), Route::subscriptions() }) {
        for (float scale : { 1.0f, 2.0f }) {
            SCOPED_TRACE(fmt::format("{} @{}", route_kind_name(route.kind), scale));
            auto app = vexa::VexaApp::create_for_owner("user:test");
            app->with_model(vexa::sample_catalogue()).apply_launch_route(route).set_viewport(1280, 800);
            FrameDriver driver(std::move(app), Theme::dark());
            driver.set_viewport(1280, 800, scale);
            FrameCanvas canvas;
            uint64_t now = 0;
            ASSERT_TRUE(render_offscreen_into(driver, now += 16, canvas).has_value());
            int reused = 0;
            for (int step = 0; step < 12; ++step) {
                double dy = step < 8 ? 40 : -56;
                driver.dispatch(Scroll { 700 * scale, 500 * scale, 0, dy }, {});
                auto damage = render_offscreen_into(driver, now += 16, canvas);
                ASSERT_TRUE(damage.has_value()) << damage.error().message;
                if (damage->kind == FrameDamage::Kind::Part)
                    ++reused;
                auto whole = paint_offscreen(driver);
                ASSERT_TRUE(whole.has_value());
                ASSERT_EQ(canvas.image().width, whole->width);
                EXPECT_LE(worst_difference(canvas.image(), *whole), 3) << "step " << step;
            }
            // Hover may move to another card as the page moves, which is painted again too,
            // but a wheel step needs no whole repaint — save one that stops at the end of the
            // page, which need not lie on a whole device pixel.
            EXPECT_GE(reused, 11);
        }
    }
}
