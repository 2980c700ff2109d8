#include <gtest/gtest.h>

#include <functional>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "src/app/VexaApp.h"

using namespace kaso::ui;
using vexa::Route;

namespace {

// Records with empty fields and a title far wider than any window, with no place to break.
vexa::VexaModel hostile_model()
{
    auto model = vexa::VexaModel::empty();
    vexa::Video empty;
    vexa::Video huge;
    huge.id = "huge";
    huge.title = std::string(5000, 'W');
    huge.channel_name = std::string(3000, 'x') + " " + std::string(3000, 'y');
    huge.channel_id = "c";
    huge.duration = 4'000'000'000u;
    model.videos = { empty, huge };
    model.related_for = "huge";
    model.related_ids = { "", "huge", "missing" };
    model.history = { "", "huge", "nope" };
    model.status_label = std::string(2000, 's');
    model.notices = { std::string(4000, 'n') };
    return model;
}

// The widest right edge in the tree, leaving out what scroll views move vertically only.
double widest_edge(Widget& root)
{
    double widest = 0;
    std::function<void(Widget&)> visit = [&](Widget& widget) {
        widest = std::max(widest, widget.layout_rect().x1);
        widget.for_each_child(visit);
    };
    visit(root);
    return widest;
}

}

TEST(BadInput, PagesRenderInsideTheWindow)
{
    std::vector<Route> routes = { Route::home(), Route::trending(), Route::subscriptions(), Route::queue(), Route::watch(""),
        Route::watch("huge"), Route::channel(""), Route::playlist(""), Route::search(""), Route::search(std::string(3000, 'q')),
        Route::history(), Route::settings() };
    for (double width : { 1280.0, 560.0 }) {
        for (auto const& route : routes) {
            SCOPED_TRACE(fmt::format("{} {} @{}", route_kind_name(route.kind), route.text.size(), width));
            auto app = vexa::VexaApp::create_for_owner("user:test");
            app->with_model(hostile_model()).apply_launch_route(route).set_viewport(width, 800);
            FrameDriver driver(std::move(app), Theme::dark());
            driver.set_viewport(width, 800, 1.0f);
            auto image = render_offscreen(driver, 0);
            ASSERT_TRUE(image) << image.error().message;
            EXPECT_LE(widest_edge(driver.root()), width + 0.5);
        }
    }
}
