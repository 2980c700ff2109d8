#pragma once

#include "kaso/ui/Geometry.h"

namespace kaso::ui {

class Scene;
struct Theme;

// The painter of an on/off switch: a pill-shaped track with a round knob, at the left when off
// and at the right when on. `on_fraction` places the knob in between while it moves (clamped to
// 0..1); the track takes the highlight colour as the knob passes the middle.
class Toggle {
public:
    static void draw(Scene& scene, Rect rect, float on_fraction, bool hovered, bool focused, Theme const& theme);
};

}
