#include "src/widgets/Thumbnail.h"

#include <algorithm>
#include <cmath>

#include "kaso/ui/PaintImage.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/format/Format.h"
#include "src/model/Formatting.h"
#include "src/widgets/TextBadge.h"

namespace vexa {

using namespace kaso::ui;

Thumbnail::Thumbnail(std::string seed, uint32_t duration_seconds)
    : m_seed(std::move(seed))
    , m_duration(duration_seconds)
{
}

Thumbnail&& Thumbnail::with_image(image_store::SharedImageStore store, std::string url) &&
{
    m_picture.store = std::move(store);
    m_picture.url = std::move(url);
    return std::move(*this);
}

Thumbnail&& Thumbnail::progress(float fraction) &&
{
    if (std::isnan(fraction))
        m_progress.reset();
    else
        m_progress = std::clamp(fraction, 0.0f, 1.0f);
    return std::move(*this);
}

Thumbnail&& Thumbnail::height(float pixels) &&
{
    m_height = std::isfinite(pixels) && pixels > 0 ? pixels : 0;
    return std::move(*this);
}

Thumbnail&& Thumbnail::live(bool is_live) &&
{
    m_live = is_live;
    return std::move(*this);
}

Thumbnail&& Thumbnail::large(bool is_large) &&
{
    m_large = is_large;
    return std::move(*this);
}

kaso::layout::Style Thumbnail::layout_style() const { return fixed_style(kaso::layout::Dimension::percent(1.0f), kaso::layout::Dimension::px(m_height)); }

void Thumbnail::sync(SyncContext&) { sync_picture(m_picture); }

void Thumbnail::draw_placeholder(Scene& scene, Rect rect, double radius) const
{
    auto colors = avatar_colors(m_seed);
    scene.fill_gradient(rect, radius, { rect.x0, rect.y0 }, { rect.x1, rect.y1 }, colors[0], colors[1]);
    scene.push_clip(rect, radius);
    scene.fill_circle({ rect.x1 - 30, rect.y0 + 26 }, 40, Color::rgba(255, 255, 255, 18));
    scene.fill_circle({ rect.x0 + 24, rect.y1 - 18 }, 52, Color::rgba(0, 0, 0, 24));
    double cx = (rect.x0 + rect.x1) / 2;
    double cy = (rect.y0 + rect.y1) / 2;
    double r = m_large ? 36 : 22;
    scene.fill_circle({ cx, cy }, r, Color::rgba(0, 0, 0, 110));
    scene.fill_polygon({ { cx - r / 4, cy - r / 2 }, { cx - r / 4, cy + r / 2 }, { cx + r / 2, cy } }, Color { 1, 1, 1, 1 });
    scene.pop_clip();
}

void Thumbnail::draw(Scene& scene, DrawContext& context)
{
    if (!(m_rect.width() > 0))
        return;
    Rect rect { std::min(m_rect.x0, m_rect.x1), std::min(m_rect.y0, m_rect.y1), std::max(m_rect.x0, m_rect.x1), std::max(m_rect.y0, m_rect.y1) };
    double radius = std::min(12.0, std::min(rect.width(), rect.height()) / 2);

    if (m_picture.image)
        paint_image_cover(scene, m_picture.image, m_rect, 12);
    else
        draw_placeholder(scene, rect, radius);

    Point anchor { m_rect.x1 - 8, m_rect.y1 - 26 };
    if (m_live)
        draw_text_badge(scene, context.text, "LIVE", 11, Color { 1, 1, 1, 1 }, Color { 0.8f, 0, 0, 1 }, anchor, BadgeAnchor::Right);
    else
        draw_text_badge(scene, context.text, format::timecode(m_duration), 11, Color { 1, 1, 1, 1 }, Color::rgba(0, 0, 0, 200), anchor,
            BadgeAnchor::Right);

    if (m_progress) {
        scene.fill_rect({ m_rect.x0, m_rect.y1 - 4, m_rect.x1, m_rect.y1 }, Color::rgba(255, 255, 255, 60));
        scene.fill_rect({ m_rect.x0, m_rect.y1 - 4, m_rect.x0 + m_rect.width() * double(*m_progress), m_rect.y1 }, Color { 1.0f, 0.0f, 0.2f, 1.0f });
    }

    scene.stroke_rect(rect, Color::rgba(255, 255, 255, 20), 1, radius);
}

}
