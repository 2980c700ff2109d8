#pragma once

#include <optional>
#include <span>

#include "kaso/ui/Geometry.h"

typedef struct _cairo cairo_t;

namespace kaso::ui {

class Scene;
class TextRenderer;
struct Color;

// Replays a recorded scene onto a Cairo context: the window's frame and the offscreen PNG are
// painted by the same code. `scale` maps logical pixels to device pixels.
void paint_scene(cairo_t* cr, Scene const& scene, TextRenderer& text, double scale, Color const& background);

// The same, painting only inside `regions` (device pixels) and leaving the rest of the target
// as it is. `bounds` holds where each command paints (logical pixels; nothing for clips and
// markers): a command outside every region is not replayed at all.
void paint_scene_regions(cairo_t* cr, Scene const& scene, TextRenderer& text, double scale, Color const& background,
    std::span<Rect const> regions, std::span<std::optional<Rect> const> bounds);

}
