#pragma once

#include <string>
#include <variant>
#include <vector>

#include "kaso/ui/Color.h"
#include "kaso/ui/Geometry.h"
#include "kaso/ui/Image.h"
#include "kaso/ui/TextStyle.h"

namespace kaso::ui {

// What a frame has to paint: a flat list of commands in logical pixels that widgets record, the
// Cairo painter replays (into the window or a PNG), and tests read. Coordinates are absolute:
// the scene applies its current offset (scroll views push one) as commands are recorded.
struct FillRect {
    Rect rect;
    Color color;
    double radius { 0 };
    bool operator==(FillRect const&) const = default;
};

struct StrokeRect {
    Rect rect;
    Color color;
    double width { 1 };
    double radius { 0 };
    bool operator==(StrokeRect const&) const = default;
};

struct FillCircle {
    Point center;
    double radius { 0 };
    Color color;
    bool operator==(FillCircle const&) const = default;
};

// A rounded rectangle filled with a linear gradient from `start` (at `from`) to `end` (at `to`).
struct FillGradient {
    Rect rect;
    double radius { 0 };
    Point from;
    Point to;
    Color start;
    Color end;
    bool operator==(FillGradient const&) const = default;
};

// A closed polygon filled with one colour.
struct FillPolygon {
    std::vector<Point> points;
    Color color;
    bool operator==(FillPolygon const&) const = default;
};

// Polylines stroked with round caps and joins: icons are drawn this way.
struct StrokePath {
    std::vector<std::vector<Point>> subpaths;
    std::vector<bool> closed; // one per subpath
    Color color;
    double width { 1.5 };
    bool operator==(StrokePath const&) const = default;
};

struct DrawText {
    std::string text;
    TextStyle style;
    Point origin; // top-left of the first line
    double max_width { 0 }; // 0: no wrapping
    bool operator==(DrawText const&) const = default;
};

enum class ImageFit {
    Cover,   // fills the rectangle, cropping what overflows
    Contain, // fits inside it, leaving bars
};

// An image scaled into `rect`, inside a rounded clip.
struct DrawImage {
    ImageHandle image;
    Rect rect;
    double radius { 0 };
    ImageFit fit { ImageFit::Cover };

    // A picture whose pixels live elsewhere may change under the same handle, and then it never
    // equals anything.
    bool operator==(DrawImage const& other) const
    {
        return image == other.image && !(image && image->may_change()) && rect == other.rect && radius == other.radius && fit == other.fit;
    }
};

struct PushClip {
    Rect rect;
    double radius { 0 };
    bool operator==(PushClip const&) const = default;
};

struct PopClip {
    bool operator==(PopClip const&) const = default;
};

// What a scroll view records around its moving content: everything between the two markers
// is drawn shifted by `offset` inside `viewport`. The painter may then reuse the pixels of the
// previous frame, moved, instead of painting the content again.
struct BeginScrollLayer {
    Rect viewport;
    Point offset;
    bool operator==(BeginScrollLayer const&) const = default;
};

struct EndScrollLayer {
    bool operator==(EndScrollLayer const&) const = default;
};

using SceneCommand = std::variant<FillRect, StrokeRect, FillCircle, FillGradient, FillPolygon, StrokePath, DrawText, DrawImage, PushClip, PopClip,
    BeginScrollLayer, EndScrollLayer>;

class Scene {
public:
    void clear();

    void fill_rect(Rect rect, Color color, double radius = 0);
    void stroke_rect(Rect rect, Color color, double width = 1, double radius = 0);
    void fill_circle(Point center, double radius, Color color);
    void fill_gradient(Rect rect, double radius, Point from, Point to, Color start, Color end);
    void fill_polygon(std::vector<Point> points, Color color);
    void stroke_path(StrokePath path);
    void draw_text(std::string text, TextStyle style, Point origin, double max_width = 0);
    void draw_image(ImageHandle image, Rect rect, double radius = 0, ImageFit fit = ImageFit::Cover);
    void push_clip(Rect rect, double radius = 0);
    void pop_clip();
    void begin_scroll_layer(Rect viewport, Point offset);
    void end_scroll_layer();

    // Offsets the coordinates of every command recorded until the matching pop.
    void push_offset(double dx, double dy);
    void pop_offset();

    std::vector<SceneCommand> const& commands() const { return m_commands; }
    // The text of every DrawText in order, for tests and accessibility checks.
    std::vector<std::string> texts() const;

private:
    Rect offset(Rect rect) const { return rect.translated(m_offset_x, m_offset_y); }
    Point offset(Point point) const { return { point.x + m_offset_x, point.y + m_offset_y }; }

    std::vector<SceneCommand> m_commands;
    std::vector<Point> m_offset_stack;
    double m_offset_x { 0 };
    double m_offset_y { 0 };
};

}
