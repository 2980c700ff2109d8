#pragma once

#include <string>

#include "kaso/ui/Color.h"

namespace kaso::ui {

// The colours, radii and type the widgets paint with, by the role each plays. Three themes
// exist: dark (the default), light and high contrast.
struct Theme {
    enum class Kind {
        Dark,
        Light,
        HighContrast,
    };

    Kind kind { Kind::Dark };

    Color background;   // behind everything
    Color bar_fill;     // the top bar and the navigation rail
    Color panel_fill;   // grouped sections
    Color surface;
    Color surface_raised;
    Color border;
    Color divider;      // dividers; borders of secondary controls
    Color strong_border;
    Color soft_fill;

    Color text;
    Color text_muted;
    Color accent;       // active chips
    Color accent_text;
    Color icon_accent;  // section and playlist icons
    Color key_icon;
    Color highlight;    // primary buttons, the active rail item
    Color highlight_fill_hover;
    Color control_fill; // buttons, chips, placeholders
    Color control_fill_hover;
    Color connecting;   // the dot of the connecting pill
    Color danger;

    float card_radius { 12 };
    float row_radius { 10 };
    float control_radius { 10 };

    std::string font_family { "DejaVu Sans" };
    float body_size { 14 };

    static Theme dark();
    static Theme light();
    static Theme high_contrast();
};

}
