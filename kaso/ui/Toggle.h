#pragma once

#include "kaso/ui/Geometry.h"

namespace kaso::ui {

class Scene;
struct Theme;

// The painter of an on/off switch: a pill-shaped track with a round knob, at the left when off
// and at the right when on.
class Toggle {
public:
    struct State {
        // Places the knob: 0 off, 1 on, in between while it moves (clamped to 0..1). The track
        // takes the highlight colour as the knob passes the middle.
        float on_fraction { 0 };
        bool hovered { false };
        bool focused { false };
    };

    static void draw(Scene& scene, Rect rect, State const& state, Theme const& theme);
};

}
