#pragma once

typedef struct _cairo cairo_t;

namespace kaso::ui {

class Scene;
class TextRenderer;
struct Color;

// Replays a recorded scene onto a Cairo context: the window's frame and the offscreen PNG are
// painted by the same code. `scale` maps logical pixels to device pixels.
void paint_scene(cairo_t* cr, Scene const& scene, TextRenderer& text, double scale, Color const& background);

}
