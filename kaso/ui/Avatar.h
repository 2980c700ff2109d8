#pragma once

#include <string_view>

#include "kaso/ui/Color.h"
#include "kaso/ui/Geometry.h"

namespace kaso::ui {

class Scene;
class TextRenderer;
struct Theme;

// The painter of a round avatar that has no picture: initials on a coloured disc.
class Avatar {
public:
    struct Colors {
        Color background;
        Color text;
    };

    // A background picked from a fixed palette by a hash of the initials (the same initials
    // always get the same colour), with white or black text, whichever reads better. The
    // high-contrast theme uses its own text colour on black with a white ring instead.
    static Colors color_for_initials(std::string_view initials, Theme const& theme);

    // Paints the disc centred in `rect` (diameter the shorter side) and the initials centred on
    // it at 40 % of the diameter.
    static void draw_at(Scene& scene, Rect rect, std::string_view initials, Colors const& colors, Theme const& theme, TextRenderer& text);
};

}
