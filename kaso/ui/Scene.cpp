#include "kaso/ui/Scene.h"

namespace kaso::ui {

void Scene::clear()
{
    m_commands.clear();
    m_offset_stack.clear();
    m_offset_x = 0;
    m_offset_y = 0;
}

void Scene::fill_rect(Rect rect, Color color, double radius) { m_commands.emplace_back(FillRect { offset(rect), color, radius }); }

void Scene::stroke_rect(Rect rect, Color color, double width, double radius)
{
    m_commands.emplace_back(StrokeRect { offset(rect), color, width, radius });
}

void Scene::fill_circle(Point center, double radius, Color color) { m_commands.emplace_back(FillCircle { offset(center), radius, color }); }

void Scene::fill_gradient(Rect rect, double radius, Point from, Point to, Color start, Color end)
{
    m_commands.emplace_back(FillGradient { offset(rect), radius, offset(from), offset(to), start, end });
}

void Scene::fill_polygon(std::vector<Point> points, Color color)
{
    for (auto& point : points)
        point = offset(point);
    m_commands.emplace_back(FillPolygon { std::move(points), color });
}

void Scene::stroke_path(StrokePath path)
{
    for (auto& subpath : path.subpaths)
        for (auto& point : subpath)
            point = offset(point);
    path.closed.resize(path.subpaths.size(), false);
    m_commands.emplace_back(std::move(path));
}

void Scene::draw_text(std::string text, TextStyle style, Point origin, double max_width)
{
    m_commands.emplace_back(DrawText { std::move(text), std::move(style), offset(origin), max_width });
}

void Scene::draw_image(ImageHandle image, Rect rect, double radius, ImageFit fit)
{
    if (!image)
        return;
    m_commands.emplace_back(DrawImage { std::move(image), offset(rect), radius, fit });
}

void Scene::push_clip(Rect rect, double radius) { m_commands.emplace_back(PushClip { offset(rect), radius }); }

void Scene::pop_clip() { m_commands.emplace_back(PopClip {}); }

void Scene::begin_scroll_layer(Rect viewport, Point offset) { m_commands.emplace_back(BeginScrollLayer { this->offset(viewport), offset }); }

void Scene::end_scroll_layer() { m_commands.emplace_back(EndScrollLayer {}); }

void Scene::push_offset(double dx, double dy)
{
    m_offset_stack.push_back({ m_offset_x, m_offset_y });
    m_offset_x += dx;
    m_offset_y += dy;
}

void Scene::pop_offset()
{
    if (m_offset_stack.empty())
        return;
    m_offset_x = m_offset_stack.back().x;
    m_offset_y = m_offset_stack.back().y;
    m_offset_stack.pop_back();
}

std::vector<std::string> Scene::texts() const
{
    std::vector<std::string> out;
    for (auto const& command : m_commands)
        if (auto const* text = std::get_if<DrawText>(&command))
            out.push_back(text->text);
    return out;
}

}
