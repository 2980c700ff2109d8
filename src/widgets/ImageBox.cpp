#include "src/widgets/ImageBox.h"

#include <cmath>

#include "kaso/ui/PaintImage.h"
#include "kaso/ui/Scene.h"
#include "src/model/Formatting.h"

namespace vexa {

using namespace kaso::ui;

ImageBox::ImageBox(std::string seed, float height, double radius, ImageHandle image)
    : m_seed(std::move(seed))
    , m_radius(radius)
    , m_height(std::isfinite(height) && height > 0 ? height : 0)
{
    m_picture.image = std::move(image);
}

ImageBox&& ImageBox::with_image(image_store::SharedImageStore store, std::string url) &&
{
    m_picture.store = std::move(store);
    m_picture.url = std::move(url);
    return std::move(*this);
}

kaso::layout::Style ImageBox::layout_style() const { return fixed_style(kaso::layout::Dimension::percent(1.0f), kaso::layout::Dimension::px(m_height)); }

void ImageBox::sync(SyncContext&) { sync_picture(m_picture); }

void ImageBox::draw(Scene& scene, DrawContext&)
{
    if (!(m_rect.width() > 0) || !(m_rect.height() > 0))
        return;
    if (m_picture.image) {
        paint_image_cover(scene, m_picture.image, m_rect, m_radius);
        return;
    }
    auto colors = avatar_colors(m_seed);
    scene.fill_gradient(m_rect, m_radius, { m_rect.x0, m_rect.y0 }, { m_rect.x1, m_rect.y1 }, colors[0], colors[1]);
    scene.fill_rect(m_rect, Color::rgba(0, 0, 0, 30), m_radius);
}

}
