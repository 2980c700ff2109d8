#pragma once

#include <string>

namespace kaso::ui {

// The desktop clipboard's text, through SDL while its video system runs; without one (headless
// runs, tests) an in-memory clipboard of this process stands in. UI thread only.
class Clipboard {
public:
    // The clipboard's text; empty when it holds none.
    static std::string text();
    // Answers whether the clipboard took the text.
    [[nodiscard]] static bool set_text(std::string const& text);

    // Whether the desktop clipboard is in use (rather than the in-memory one).
    static bool uses_desktop();
    // Makes the in-memory clipboard refuse every text, as a desktop clipboard may (for tests).
    static void set_in_memory_refuses(bool refuses);
};

}
