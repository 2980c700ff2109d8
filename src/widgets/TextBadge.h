#pragma once

#include <string>

#include "kaso/ui/Color.h"
#include "kaso/ui/Geometry.h"

namespace kaso::ui {
class Scene;
class TextRenderer;
}

namespace vexa {

enum class BadgeAnchor {
    Left,
    Right,
};

// A short text on a rounded background: (text width + 12) by (font size + 6), radius 4, the text
// 6 in from the left and 3 down from the top. The anchor's y is the badge's top; its x is the
// left edge, or the right edge with BadgeAnchor::Right.
void draw_text_badge(kaso::ui::Scene& scene, kaso::ui::TextRenderer& renderer, std::string const& text, float font_size,
    kaso::ui::Color text_color, kaso::ui::Color background, kaso::ui::Point anchor, BadgeAnchor side);

}
