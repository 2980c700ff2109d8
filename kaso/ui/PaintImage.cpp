#include "kaso/ui/PaintImage.h"

#include "kaso/ui/Scene.h"

namespace kaso::ui {

void paint_image_cover(Scene& scene, ImageHandle const& image, Rect rect, double radius)
{
    if (!image || image->width <= 0 || image->height <= 0 || rect.is_empty())
        return;
    scene.draw_image(image, rect, radius, ImageFit::Cover);
}

}
