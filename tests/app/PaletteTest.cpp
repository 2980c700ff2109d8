// The action palette in the application: Ctrl+K opens it over the page with the keyboard in its
// input, typing searches, a row opens what it shows, Escape leaves the page as it was; the
// overlay's place at both widths and its pictures against the references.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <tuple>

#include <fmt/format.h>

#include "kaso/ui/FocusState.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "src/app/VexaApp.h"
#include "tests/app/AppDriver.h"
#include "tests/screens/ReferenceShot.h"

using namespace kaso::ui;
using vexa::Route;

namespace {

Widget* find_by_id(Widget& root, std::string_view id)
{
    Widget* found = nullptr;
    std::function<void(Widget&)> visit = [&](Widget& widget) {
        if (!found && widget.widget_id() == id)
            found = &widget;
        widget.for_each_child(visit);
    };
    visit(root);
    return found;
}

std::vector<std::string> row_ids(Widget& root)
{
    std::vector<std::string> ids;
    for (int i = 0; i < 8; ++i)
        if (auto id = fmt::format("palette_row_{}", i); find_by_id(root, id))
            ids.push_back(id);
    return ids;
}

using PaletteHarness = vexa::test::AppDriver;

TEST(Palette, CtrlKOpensItOverThePageWithTheKeyboardInItsInput)
{
    PaletteHarness h;
    EXPECT_FALSE(find_by_id(h.root(), "palette_scrim"));
    h.ctrl_k();
    ASSERT_TRUE(h.app->model().palette_open);
    auto* scrim = find_by_id(h.root(), "palette_scrim");
    ASSERT_NE(scrim, nullptr);
    // The root's last child, over the whole window, taking the pointer.
    auto* content = h.root().children().front();
    EXPECT_EQ(content->children().back(), scrim);
    EXPECT_TRUE(scrim->wants_pointer_capture());
    EXPECT_EQ(scrim->layout_rect(), (Rect { 0, 0, 1280, 800 }));
    auto* input = find_by_id(h.root(), "palette_input");
    ASSERT_NE(input, nullptr);
    EXPECT_TRUE(input->is_focused());
    EXPECT_FALSE(find_by_id(h.root(), "search_input")->is_focused());

    h.type("kitchen");
    EXPECT_EQ(h.app->model().palette_query, "kitchen");
    EXPECT_EQ(row_ids(h.root()), (std::vector<std::string> { "palette_row_0", "palette_row_1" }));
    EXPECT_EQ(find_by_id(h.root(), "palette_row_0")->accessibility()->name, "Open search result: The ONLY Donut Recipe You'll EVER Need!!! (Bakeries HATE This)");
    EXPECT_EQ(find_by_id(h.root(), "palette_row_1")->accessibility()->name, "Open search result: Midnight Kitchen");
    // Nothing of the typing reached the top bar's search box.
    EXPECT_EQ(h.app->search_text_cell().text(), "");
}

TEST(Palette, ChoosingARowOpensItAndClosesThePalette)
{
    PaletteHarness h;
    h.ctrl_k();
    h.type("kitchen");
    auto* creator = find_by_id(h.root(), "palette_row_1");
    ASSERT_NE(creator, nullptr);
    h.click(*creator);
    EXPECT_FALSE(h.app->model().palette_open);
    EXPECT_EQ(h.app->model().route, Route::channel("ch_kitchen"));
    EXPECT_FALSE(find_by_id(h.root(), "palette_scrim"));

    // Opened again, it still holds the query.
    h.ctrl_k();
    auto* first = find_by_id(h.root(), "palette_row_0");
    ASSERT_NE(first, nullptr);
    h.click(*first);
    EXPECT_EQ(h.app->model().route, Route::watch("vid_donut"));
}

TEST(Palette, EscapeClosesItAndLeavesThePageAsItWas)
{
    PaletteHarness h;
    // The search box had the keyboard before.
    h.click(*find_by_id(h.root(), "search_input"));
    ASSERT_TRUE(find_by_id(h.root(), "search_input")->is_focused());
    auto before = render_offscreen(*h.driver, h.now);
    ASSERT_TRUE(before);

    h.ctrl_k();
    h.type("kitchen");
    // A click on the card keeps it open; one on the scrim beside the card would close it.
    auto card = find_by_id(h.root(), "palette_card")->layout_rect();
    h.click_at(card.x0 + 4, card.y0 + 4);
    EXPECT_TRUE(h.app->model().palette_open);
    h.key(Key::Escape);
    EXPECT_FALSE(h.app->model().palette_open);
    EXPECT_EQ(h.app->model().route, Route::home());
    EXPECT_FALSE(find_by_id(h.root(), "palette_scrim"));
    EXPECT_TRUE(find_by_id(h.root(), "search_input")->is_focused()) << "the focus goes back where it was";
    auto after = render_offscreen(*h.driver, h.now);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->pixels, before->pixels);
}

TEST(Palette, AClickOnTheScrimClosesIt)
{
    PaletteHarness h;
    h.ctrl_k();
    auto* scrim = find_by_id(h.root(), "palette_scrim");
    ASSERT_NE(scrim, nullptr);
    h.click_at(20, 700);
    EXPECT_FALSE(h.app->model().palette_open);
}

TEST(Palette, TheCardSitsBelowTheTopAtBothWidths)
{
    for (auto [width, x0, x1] : { std::tuple { 1280.0, 360.0, 920.0 }, { 560.0, 16.8, 543.2 } }) {
        SCOPED_TRACE(width);
        PaletteHarness h(width);
        h.ctrl_k();
        auto* card = find_by_id(h.root(), "palette_card");
        ASSERT_NE(card, nullptr);
        auto rect = card->layout_rect();
        EXPECT_NEAR(rect.x0, x0, 0.5);
        EXPECT_NEAR(rect.x1, x1, 0.5);
        EXPECT_EQ(rect.y0, 96);
    }
}

std::filesystem::path reference_dir() { return std::filesystem::path(std::getenv("VEXA_SOURCE_DIR")) / "tests/fixtures/screens"; }

TEST(Palette, PicturesMatchTheReferences)
{
    ASSERT_NE(std::getenv("VEXA_SOURCE_DIR"), nullptr);
    struct Case {
        char const* theme;
        Theme (*make)();
        double width;
    };
    Case const cases[] = {
        { "dark", &Theme::dark, 1280 },
        { "dark", &Theme::dark, 560 },
        { "light", &Theme::light, 1280 },
        { "high-contrast", &Theme::high_contrast, 1280 },
    };
    for (auto const& test : cases) {
        auto name = fmt::format("palette-{}-{}.png", test.theme, test.width);
        SCOPED_TRACE(name);
        // Opened as the launch state does it, which must look as Ctrl+K and typing do.
        FocusState::current().reset();
        auto app = vexa::VexaApp::create_for_owner("user:test");
        app->set_viewport(test.width, 800);
        app->open_palette("kitchen");
        FrameDriver driver(std::move(app), test.make());
        driver.set_viewport(test.width, 800, 1.0f);
        auto launched = render_offscreen(driver, 0);
        ASSERT_TRUE(launched) << launched.error().message;
        vexa::test::expect_matches_reference(*launched, reference_dir() / name);

        PaletteHarness typed(test.width, test.make());
        typed.ctrl_k();
        typed.type("kitchen");
        auto picture = render_offscreen(*typed.driver, typed.now);
        ASSERT_TRUE(picture);
        EXPECT_TRUE(picture->pixels == launched->pixels) << "typing after Ctrl+K looks different from the launched palette";
    }
}

}
