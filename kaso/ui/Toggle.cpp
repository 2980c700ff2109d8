#include "kaso/ui/Toggle.h"

#include <algorithm>
#include <cmath>

#include "kaso/ui/Scene.h"
#include "kaso/ui/Theme.h"

namespace kaso::ui {

void Toggle::draw(Scene& scene, Rect rect, State const& state, Theme const& theme)
{
    if (rect.is_empty())
        return;
    double fraction = std::isfinite(state.on_fraction) ? std::clamp(double(state.on_fraction), 0.0, 1.0) : 0.0;
    double height = rect.height();
    double radius = height / 2;
    bool on = fraction >= 0.5;
    Color track = on ? (state.hovered ? theme.highlight_fill_hover : theme.highlight) : (state.hovered ? theme.control_fill_hover : theme.control_fill);
    scene.fill_rect(rect, track, radius);
    if (!on)
        scene.stroke_rect(rect, theme.divider, 1, radius);
    if (state.focused)
        scene.stroke_rect({ rect.x0 - 3, rect.y0 - 3, rect.x1 + 3, rect.y1 + 3 }, theme.accent, 2, radius + 3);
    double inset = 3;
    double knob = radius - inset;
    double travel = std::max(0.0, rect.width() - 2 * radius);
    Point center { rect.x0 + radius + travel * fraction, rect.y0 + radius };
    Color ink = on ? Color { 1, 1, 1, 1 } : theme.text_muted;
    if (on && theme.kind == Theme::Kind::HighContrast)
        ink = Color { 0, 0, 0, 1 };
    scene.fill_circle(center, std::max(0.0, knob), ink);
}

}
