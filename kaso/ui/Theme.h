#pragma once

#include <string>

#include "kaso/ui/Color.h"

namespace kaso::ui {

// The colours and type sizes every widget paints with. Three themes exist: dark (the default),
// light and high contrast.
struct Theme {
    enum class Kind {
        Dark,
        Light,
        HighContrast,
    };

    Kind kind { Kind::Dark };
    Color background;
    Color surface;
    Color surface_raised;
    Color border;
    Color divider;
    Color text;
    Color text_muted;
    Color accent;
    Color accent_text;
    Color danger;
    std::string font_family { "DejaVu Sans" };
    float body_size { 14 };

    static Theme dark();
    static Theme light();
    static Theme high_contrast();
};

}
