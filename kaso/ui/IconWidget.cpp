#include "kaso/ui/IconWidget.h"

#include <cmath>

#include "kaso/ui/Icons.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/Theme.h"

namespace kaso::ui {

namespace {

float sane_length(float value, float fallback) { return std::isfinite(value) && value >= 0 ? value : fallback; }

}

IconWidget::IconWidget(Icon icon)
    : m_icon(icon)
{
}

layout::Style IconWidget::layout_style() const
{
    float size = sane_length(m_size, 0);
    layout::Style style;
    style.size.width = layout::Dimension::px(size);
    style.size.height = layout::Dimension::px(size);
    style.flex_shrink = 0;
    return style;
}

void IconWidget::draw(Scene& scene, DrawContext& context)
{
    auto const& drawing = icon_drawing(m_icon);
    if (drawing.subpaths.empty() || m_rect.is_empty())
        return;
    // The box may come out of layout larger or smaller than asked; keep the drawing square and
    // centred in it.
    double side = std::min(m_rect.width(), m_rect.height());
    double unit = side / 24.0;
    double left = m_rect.x0 + (m_rect.width() - side) / 2;
    double top = m_rect.y0 + (m_rect.height() - side) / 2;
    StrokePath path;
    path.color = m_color.value_or(context.theme.text);
    path.width = sane_length(m_stroke_width, 1.5f);
    path.closed = drawing.closed;
    path.subpaths.reserve(drawing.subpaths.size());
    for (auto const& subpath : drawing.subpaths) {
        std::vector<Point> points;
        points.reserve(subpath.size());
        for (auto const& point : subpath)
            points.push_back({ left + point.x * unit, top + point.y * unit });
        path.subpaths.push_back(std::move(points));
    }
    scene.stroke_path(std::move(path));
}

}
