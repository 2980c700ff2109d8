#pragma once

#include <string>

#include "kaso/ui/Color.h"

namespace kaso::ui {

enum class FontWeight {
    Regular,
    Medium,
    Semibold,
    Bold,
};

enum class TextAlign {
    Start,
    Center,
    End,
};

// How a run of text looks. Sizes are logical pixels; the painter scales them with the scene.
struct TextStyle {
    std::string family; // empty: the theme's family
    float size { 14 };
    FontWeight weight { FontWeight::Regular };
    Color color;
    TextAlign align { TextAlign::Start };
    int max_lines { 0 }; // 0: as many as the text needs; otherwise the last line ends in an ellipsis
    float line_height { 0 }; // 0: the font's own

    bool operator==(TextStyle const&) const = default;
};

}
