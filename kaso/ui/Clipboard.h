#pragma once

#include <string>

namespace kaso::ui {

// The desktop clipboard's text, through SDL while its video system runs; without one (headless
// runs, tests) an in-memory clipboard of this process stands in. UI thread only.
class Clipboard {
public:
    // The clipboard's text; empty when it holds none.
    static std::string text();
    static void set_text(std::string const& text);

    // Whether the desktop clipboard is in use (rather than the in-memory one).
    static bool uses_desktop();
};

}
