#pragma once

#include "kaso/ui/Geometry.h"
#include "kaso/ui/Image.h"

namespace kaso::ui {

class Scene;

// Paints `image` so that it covers `rect` (cropping what overflows, centred), inside a clip
// with rounded corners of `radius`. Nothing is painted for an empty rectangle or no image.
void paint_image_cover(Scene& scene, ImageHandle const& image, Rect rect, double radius);

}
