#include "kaso/ui/Icons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <map>
#include <numbers>

namespace kaso::ui {

namespace {

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// Builds one drawing from lines, polylines and arcs in the 24-unit square.
class Pen {
public:
    // An open line through the points.
    Pen& path(std::vector<Point> points)
    {
        m_drawing.subpaths.push_back(std::move(points));
        m_drawing.closed.push_back(false);
        return *this;
    }
    // An outline through the points whose last point joins back to the first.
    Pen& closed_path(std::vector<Point> points)
    {
        path(std::move(points));
        m_drawing.closed.back() = true;
        return *this;
    }
    Pen& poly(std::initializer_list<Point> points) { return path(std::vector<Point>(points)); }
    Pen& polygon(std::initializer_list<Point> points) { return closed_path(std::vector<Point>(points)); }
    Pen& line(Point from, Point to) { return poly({ from, to }); }
    // An arc from `from_degrees` to `to_degrees`, clockwise on screen (y grows downward).
    Pen& arc(Point center, double radius, double from_degrees, double to_degrees)
    {
        std::vector<Point> points;
        double span = to_degrees - from_degrees;
        int segments = std::max(4, int(std::ceil(std::abs(span) / 12.0)));
        for (int i = 0; i <= segments; ++i) {
            double angle = radians(from_degrees + span * i / segments);
            points.push_back({ center.x + radius * std::cos(angle), center.y + radius * std::sin(angle) });
        }
        return path(std::move(points));
    }
    Pen& circle(Point center, double radius)
    {
        arc(center, radius, 0, 360);
        m_drawing.subpaths.back().pop_back();
        m_drawing.closed.back() = true;
        return *this;
    }
    Pen& rounded_rect(double x, double y, double width, double height, double radius)
    {
        std::vector<Point> points;
        auto corner = [&](double cx, double cy, double from) {
            for (int i = 0; i <= 4; ++i) {
                double angle = radians(from + 90.0 * i / 4);
                points.push_back({ cx + radius * std::cos(angle), cy + radius * std::sin(angle) });
            }
        };
        corner(x + width - radius, y + radius, -90);
        corner(x + width - radius, y + height - radius, 0);
        corner(x + radius, y + height - radius, 90);
        corner(x + radius, y + radius, 180);
        return closed_path(std::move(points));
    }
    // The drawing so far turned upside down, for pairs such as like and dislike.
    Pen& flipped_vertically()
    {
        for (auto& subpath : m_drawing.subpaths)
            for (auto& point : subpath)
                point.y = 24.0 - point.y;
        return *this;
    }
    IconDrawing take() { return std::move(m_drawing); }

private:
    IconDrawing m_drawing;
};

Pen& person(Pen& pen, double cx, double head_y, double scale)
{
    pen.circle({ cx, head_y }, 4 * scale);
    return pen.arc({ cx, head_y + 13 * scale }, 7.5 * scale, 180, 360);
}

Pen& phone(Pen& pen)
{
    pen.rounded_rect(6.5, 2, 11, 20, 2.5);
    return pen.line({ 11, 18.5 }, { 13, 18.5 });
}

Pen& thumb(Pen& pen)
{
    pen.polygon({ { 3, 10 }, { 7, 10 }, { 7, 21 }, { 3, 21 } });
    return pen.polygon({ { 7, 10 }, { 10.5, 3.5 }, { 11.5, 3 }, { 13, 4 }, { 13.5, 5.5 }, { 12.5, 9 }, { 19, 9 }, { 20.5, 10 }, { 21, 11.5 },
        { 19.5, 19.5 }, { 18, 21 }, { 7, 21 } });
}

Pen& gear(Pen& pen)
{
    std::vector<Point> outline;
    for (int tooth = 0; tooth < 8; ++tooth) {
        double base = tooth * 45.0;
        for (auto [radius, offset] : std::array<std::pair<double, double>, 4> { { { 7.2, -16.5 }, { 10, -8 }, { 10, 8 }, { 7.2, 16.5 } } })
            outline.push_back({ 12 + radius * std::cos(radians(base + offset)), 12 + radius * std::sin(radians(base + offset)) });
    }
    pen.closed_path(std::move(outline));
    return pen.circle({ 12, 12 }, 3);
}

std::map<Icon, IconDrawing> make_icons()
{
    std::map<Icon, IconDrawing> icons;
    auto add = [&](Icon icon, auto draw) {
        Pen pen;
        draw(pen);
        icons.emplace(icon, pen.take());
    };
    // Creators: two people.
    add(Icon::Creators, [](Pen& pen) {
        person(pen, 9, 7.5, 0.9);
        pen.circle({ 17, 8 }, 3);
        pen.arc({ 17, 18.5 }, 5, 220, 360);
    });
    // A device, and a device approved for sync.
    add(Icon::Device, [](Pen& pen) { phone(pen); });
    add(Icon::DeviceApproved, [](Pen& pen) {
        phone(pen);
        pen.poly({ { 9.5, 11 }, { 11.5, 13 }, { 14.8, 9.2 } });
    });
    // Key.
    add(Icon::Key, [](Pen& pen) {
        pen.circle({ 7.5, 16.5 }, 4.5);
        pen.line({ 10.7, 13.3 }, { 21, 3 });
        pen.line({ 17, 7 }, { 20, 10 });
        pen.line({ 14.5, 9.5 }, { 16.5, 11.5 });
    });
    // Search: a magnifier.
    add(Icon::Search, [](Pen& pen) {
        pen.circle({ 10.5, 10.5 }, 6.5);
        pen.line({ 15.5, 15.5 }, { 21, 21 });
    });
    add(Icon::Settings, [](Pen& pen) { gear(pen); });
    // Home: a house with a door.
    add(Icon::Home, [](Pen& pen) {
        pen.poly({ { 2.5, 11.5 }, { 12, 3 }, { 21.5, 11.5 } });
        pen.poly({ { 5, 9.5 }, { 5, 21 }, { 19, 21 }, { 19, 9.5 } });
        pen.poly({ { 10, 21 }, { 10, 15 }, { 14, 15 }, { 14, 21 } });
    });
    // Back: an arrow pointing left.
    add(Icon::Back, [](Pen& pen) {
        pen.line({ 20, 12 }, { 4.5, 12 });
        pen.poly({ { 11, 5.5 }, { 4.5, 12 }, { 11, 18.5 } });
    });
    // Onward: a chevron pointing right (share, row ends, pills).
    add(Icon::Onward, [](Pen& pen) { pen.poly({ { 9, 5.5 }, { 15.5, 12 }, { 9, 18.5 } }); });
    // Verified: a check in a circle.
    add(Icon::Verified, [](Pen& pen) {
        pen.circle({ 12, 12 }, 9.5);
        pen.poly({ { 7.8, 12.3 }, { 10.8, 15.3 }, { 16.3, 9 } });
    });
    // Trending: a rising zigzag with an arrow head.
    add(Icon::Trending, [](Pen& pen) {
        pen.poly({ { 2.5, 17.5 }, { 9, 11 }, { 13, 15 }, { 21, 7 } });
        pen.poly({ { 15, 7 }, { 21, 7 }, { 21, 13 } });
    });
    // Subscriptions and creators: one person.
    add(Icon::Person, [](Pen& pen) { person(pen, 12, 7.5, 1.0); });
    // History: a clock with a turning-back arrow.
    add(Icon::History, [](Pen& pen) {
        pen.arc({ 12, 12 }, 9, 160, 160 + 320);
        pen.poly({ { 2.8, 10.5 }, { 3.55, 15.1 }, { 7.6, 13.1 } });
        pen.poly({ { 12, 7 }, { 12, 12 }, { 15.5, 14 } });
    });
    add(Icon::Like, [](Pen& pen) { thumb(pen); });
    add(Icon::Dislike, [](Pen& pen) { thumb(pen).flipped_vertically(); });
    // Queue and lists: three lines with bullets.
    add(Icon::List, [](Pen& pen) {
        for (double y : { 6.0, 12.0, 18.0 }) {
            pen.line({ 8.5, y }, { 21, y });
            pen.line({ 3.5, y }, { 3.6, y });
        }
    });
    // Empty state: an open tray.
    add(Icon::Empty, [](Pen& pen) {
        pen.poly({ { 2, 13 }, { 7.5, 13 }, { 9.5, 16 }, { 14.5, 16 }, { 16.5, 13 }, { 22, 13 } });
        pen.polygon({ { 5.5, 4.5 }, { 18.5, 4.5 }, { 22, 13 }, { 22, 19 }, { 20, 21 }, { 4, 21 }, { 2, 19 }, { 2, 13 } });
    });
    // Navigation toggle: three bars.
    add(Icon::Menu, [](Pen& pen) {
        for (double y : { 6.0, 12.0, 18.0 })
            pen.line({ 3.5, y }, { 20.5, y });
    });
    // Subscribed: a check mark.
    add(Icon::Check, [](Pen& pen) { pen.poly({ { 4.5, 12.5 }, { 9.5, 17.5 }, { 19.5, 6.5 } }); });
    // Video and play: a screen with a play triangle.
    add(Icon::Video, [](Pen& pen) {
        pen.rounded_rect(2, 4.5, 20, 15, 3.5);
        pen.polygon({ { 10, 8.8 }, { 15.2, 12 }, { 10, 15.2 } });
    });
    // Clear: a bin.
    add(Icon::Clear, [](Pen& pen) {
        pen.line({ 3, 6 }, { 21, 6 });
        pen.poly({ { 9, 6 }, { 9, 3.5 }, { 15, 3.5 }, { 15, 6 } });
        pen.poly({ { 5, 6 }, { 6.2, 21 }, { 17.8, 21 }, { 19, 6 } });
        pen.line({ 10, 10 }, { 10, 17 });
        pen.line({ 14, 10 }, { 14, 17 });
    });
    // Skip ahead, also the notice mark: a play triangle against a bar.
    add(Icon::Skip, [](Pen& pen) {
        pen.polygon({ { 5, 5 }, { 15.5, 12 }, { 5, 19 } });
        pen.line({ 19, 5 }, { 19, 19 });
    });
    return icons;
}

std::map<Icon, IconDrawing> const& icons()
{
    static std::map<Icon, IconDrawing> const table = make_icons();
    return table;
}

}

IconDrawing const& icon_drawing(Icon icon)
{
    static IconDrawing const none;
    auto const& table = icons();
    if (auto found = table.find(icon); found != table.end())
        return found->second;
    return none;
}

std::vector<Icon> const& all_icons()
{
    static std::vector<Icon> const list = [] {
        std::vector<Icon> out;
        for (auto const& [icon, drawing] : icons())
            out.push_back(icon);
        return out;
    }();
    return list;
}

}
