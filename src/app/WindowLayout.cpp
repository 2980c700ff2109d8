#include "src/app/WindowLayout.h"

#include <algorithm>

namespace vexa {

bool WindowLayout::is_narrow() const
{
    double width = m_viewport.width();
    return width <= 0 || width < narrow_threshold(m_scale);
}

double WindowLayout::nav_width() const
{
    if (m_scale < 1.5f)
        return 86.0;
    return m_viewport.width() <= 480.0 ? m_viewport.width() : 264.0;
}

double WindowLayout::content_width() const
{
    if (!is_narrow() && nav_visible())
        return std::max(0.0, m_viewport.width() - nav_width());
    return m_viewport.width();
}

bool WindowLayout::nav_visible() const
{
    switch (m_rail) {
    case RailVisibility::Hidden: return false;
    case RailVisibility::Shown: return true;
    case RailVisibility::Automatic: break;
    }
    return !is_narrow();
}

void WindowLayout::collapse_nav_if_narrow()
{
    if (is_narrow())
        m_rail = RailVisibility::Hidden;
}

void WindowLayout::set_viewport(double width, double height)
{
    m_viewport = kaso::ui::Rect { 0, 0, std::max(width, 0.0), std::max(height, 0.0) };
    m_narrow = is_narrow();
}

bool WindowLayout::apply_viewport(kaso::ui::Rect viewport)
{
    m_viewport = viewport;
    if (m_viewport.width() <= 0)
        return false;
    bool rebuild = false;
    bool narrow = is_narrow();
    if (m_narrow && *m_narrow != narrow) {
        m_rail = RailVisibility::Automatic;
        rebuild = true;
    }
    m_narrow = narrow;
    return rebuild || m_narrow_at_build != narrow;
}

void WindowLayout::begin_build(float scale)
{
    m_scale = scale;
    m_narrow_at_build = is_narrow();
}

}
