#pragma once

// The application object driven without a window, by input events as the window delivers them:
// frames on a clock of its own, keys, typed text and clicks.

#include <functional>
#include <memory>
#include <string>

#include "kaso/ui/FocusState.h"
#include "kaso/ui/FrameDriver.h"
#include "src/app/VexaApp.h"

namespace vexa::test {

struct AppDriver {
    VexaApp* app { nullptr };
    std::unique_ptr<kaso::ui::FrameDriver> driver;
    uint64_t now { 0 }; // the frames' clock, 16 ms a frame

    // The sample catalogue at `width` x 800, `prepare` run on the application before its first
    // frame (a launch state, a route).
    explicit AppDriver(double width = 1280, kaso::ui::Theme theme = kaso::ui::Theme::dark(), std::function<void(VexaApp&)> const& prepare = {})
    {
        kaso::ui::FocusState::current().reset();
        auto owned = VexaApp::create_for_owner("user:test");
        app = owned.get();
        app->set_viewport(width, 800);
        if (prepare)
            prepare(*app);
        driver = std::make_unique<kaso::ui::FrameDriver>(std::move(owned), theme);
        driver->set_viewport(width, 800, 1.0f);
        frame();
    }
    void frame() { driver->frame(now += 16); }
    void key(kaso::ui::Key named, kaso::ui::Modifiers modifiers = {}, std::string text = {})
    {
        kaso::ui::KeyDown down;
        down.key = named;
        down.text = std::move(text);
        driver->dispatch(down, modifiers);
        frame();
    }
    // Ctrl and a letter.
    void control(char letter)
    {
        kaso::ui::Modifiers control;
        control.control = true;
        key(kaso::ui::Key::Character, control, std::string(1, letter));
    }
    void ctrl_k() { control('k'); }
    void type(std::string text)
    {
        driver->dispatch(kaso::ui::TextInput { std::move(text) }, {});
        frame();
        frame();
    }
    void click(kaso::ui::Widget& widget)
    {
        auto rect = widget.layout_rect();
        click_at((rect.x0 + rect.x1) / 2, (rect.y0 + rect.y1) / 2);
    }
    void click_at(double x, double y)
    {
        driver->dispatch(kaso::ui::PointerMove { x, y }, {});
        driver->dispatch(kaso::ui::PointerDown { x, y }, {});
        driver->dispatch(kaso::ui::PointerUp { x, y }, {});
        frame();
    }
    kaso::ui::Widget& root() { return driver->root(); }
};

}
