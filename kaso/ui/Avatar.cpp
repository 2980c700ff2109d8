#include "kaso/ui/Avatar.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "kaso/ui/Scene.h"
#include "kaso/ui/TextMeasureCache.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/Theme.h"

namespace kaso::ui {

namespace {

// Mid-tone colours that take either white or black text.
constexpr std::array<Color, 8> palette {
    Color::rgb(0x5b, 0x6c, 0xf0),
    Color::rgb(0xe0, 0x5a, 0x47),
    Color::rgb(0x2f, 0x9e, 0x7a),
    Color::rgb(0xc2, 0x7c, 0x1e),
    Color::rgb(0x9b, 0x59, 0xd0),
    Color::rgb(0x1f, 0x8f, 0xbf),
    Color::rgb(0xd1, 0x4b, 0x8f),
    Color::rgb(0x6b, 0x8e, 0x23),
};

double linear_channel(float value)
{
    double c = std::clamp(double(value), 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(Color color) { return 0.2126 * linear_channel(color.r) + 0.7152 * linear_channel(color.g) + 0.0722 * linear_channel(color.b); }

}

Avatar::Colors Avatar::color_for_initials(std::string_view initials, Theme const& theme)
{
    if (theme.kind == Theme::Kind::HighContrast)
        return { Color { 0, 0, 0, 1 }, theme.text };
    uint32_t hash = 0x811c9dc5u;
    for (unsigned char byte : initials) {
        hash ^= byte;
        hash *= 0x01000193u;
    }
    Color background = palette[hash % palette.size()];
    double light = luminance(background);
    // Contrast against white (luminance 1) and black (0); white wins a tie.
    bool white = (1.05 / (light + 0.05)) >= ((light + 0.05) / 0.05);
    return { background, white ? Color { 1, 1, 1, 1 } : Color { 0, 0, 0, 1 } };
}

void Avatar::draw_at(Scene& scene, Rect rect, std::string_view initials, Colors const& colors, Theme const& theme, TextRenderer& text)
{
    double diameter = std::min(rect.width(), rect.height());
    if (!(diameter > 0))
        return;
    Point center { (rect.x0 + rect.x1) / 2, (rect.y0 + rect.y1) / 2 };
    scene.fill_circle(center, diameter / 2, colors.background);
    if (theme.kind == Theme::Kind::HighContrast)
        scene.stroke_rect(Rect { center.x - diameter / 2, center.y - diameter / 2, center.x + diameter / 2, center.y + diameter / 2 },
            theme.border, 1, diameter / 2);
    TextStyle style;
    style.family = theme.font_family;
    style.size = float(diameter * 0.4);
    style.weight = FontWeight::Semibold;
    style.color = colors.text;
    // Drawn every frame: the initials are measured once, not laid out anew each time.
    auto size = TextMeasureCache::current().measure(text, initials, style, 0);
    scene.draw_text(std::string(initials), style, { center.x - size.width / 2, center.y - size.height / 2 });
}

}
