#pragma once

namespace kaso::ui {

struct Point {
    double x { 0 };
    double y { 0 };
    bool operator==(Point const&) const = default;
};

struct Size {
    double width { 0 };
    double height { 0 };
    bool operator==(Size const&) const = default;
};

// An absolute rectangle by its edges. Hit tests are half-open: x0 <= x < x1, y0 <= y < y1.
struct Rect {
    double x0 { 0 };
    double y0 { 0 };
    double x1 { 0 };
    double y1 { 0 };

    static Rect from_origin_size(double x, double y, double width, double height) { return { x, y, x + width, y + height }; }

    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
    bool is_empty() const { return !(x1 > x0 && y1 > y0); }
    bool contains(Point point) const { return point.x >= x0 && point.x < x1 && point.y >= y0 && point.y < y1; }
    bool intersects(Rect const& other) const { return x0 < other.x1 && other.x0 < x1 && y0 < other.y1 && other.y0 < y1; }
    Rect translated(double dx, double dy) const { return { x0 + dx, y0 + dy, x1 + dx, y1 + dy }; }
    Rect united(Rect const& other) const;
    Rect intersected(Rect const& other) const;

    bool operator==(Rect const&) const = default;
};

inline Rect Rect::united(Rect const& other) const
{
    if (is_empty())
        return other;
    if (other.is_empty())
        return *this;
    return { x0 < other.x0 ? x0 : other.x0, y0 < other.y0 ? y0 : other.y0, x1 > other.x1 ? x1 : other.x1, y1 > other.y1 ? y1 : other.y1 };
}

inline Rect Rect::intersected(Rect const& other) const
{
    Rect result { x0 > other.x0 ? x0 : other.x0, y0 > other.y0 ? y0 : other.y0, x1 < other.x1 ? x1 : other.x1, y1 < other.y1 ? y1 : other.y1 };
    if (result.is_empty())
        return {};
    return result;
}

// A translation followed by a uniform scale: device = (local + offset) * scale.
struct Transform {
    double offset_x { 0 };
    double offset_y { 0 };
    double scale { 1 };

    Transform translated(double dx, double dy) const { return { offset_x + dx, offset_y + dy, scale }; }
    bool operator==(Transform const&) const = default;
};

}
