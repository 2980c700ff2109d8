#include "kaso/ui/CairoPainter.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <optional>
#include <vector>

#include "kaso/ui/ScaledImageCache.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/TextRenderer.h"

namespace kaso::ui {

namespace {

void set_color(cairo_t* cr, Color const& color) { cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a); }

void rounded_rect(cairo_t* cr, Rect const& rect, double radius)
{
    double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    if (r <= 0) {
        cairo_rectangle(cr, rect.x0, rect.y0, rect.width(), rect.height());
        return;
    }
    cairo_new_sub_path(cr);
    cairo_arc(cr, rect.x1 - r, rect.y0 + r, r, -M_PI / 2, 0);
    cairo_arc(cr, rect.x1 - r, rect.y1 - r, r, 0, M_PI / 2);
    cairo_arc(cr, rect.x0 + r, rect.y1 - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, rect.x0 + r, rect.y0 + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// A video picture that already has the size it is shown at (the engine scales it on the way)
// is copied at a whole device pixel: a plain copy instead of a bilinear pass over every pixel.
// False, painting nothing, when the picture would be scaled by a pixel or more.
bool paint_unscaled(cairo_t* cr, cairo_surface_t* surface, double left, double top, double scale, int width, int height)
{
    double unit = 1, unused = 0;
    cairo_user_to_device_distance(cr, &unit, &unused);
    if (std::abs(scale * unit - 1) * std::max(width, height) >= 1)
        return false;
    double x = left, y = top;
    cairo_user_to_device(cr, &x, &y);
    x = std::round(x);
    y = std::round(y);
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_set_source_surface(cr, surface, x, y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_fill(cr);
    return true;
}

void paint_image(cairo_t* cr, DrawImage const& command)
{
    auto const& image = *command.image;
    if (image.width <= 0 || image.height <= 0 || command.rect.is_empty())
        return;
    if (image.stride < image.width * 4 || image.byte_size() < std::size_t(image.stride) * std::size_t(image.height))
        return;
    auto* surface = cairo_image_surface_create_for_data(const_cast<unsigned char*>(image.data()),
        image.opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, image.width, image.height, image.stride);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    // Cover: the larger of the two ratios fills the rectangle and the rest is cropped; contain:
    // the smaller one fits the whole picture inside.
    double width_ratio = command.rect.width() / image.width;
    double height_ratio = command.rect.height() / image.height;
    double scale = command.fit == ImageFit::Cover ? std::max(width_ratio, height_ratio) : std::min(width_ratio, height_ratio);
    double drawn_width = image.width * scale;
    double drawn_height = image.height * scale;
    double left = command.rect.x0 + (command.rect.width() - drawn_width) / 2;
    double top = command.rect.y0 + (command.rect.height() - drawn_height) / 2;
    cairo_save(cr);
    // A still picture (not a video frame, which changes every frame) is placed once in a box
    // of its device size, corners cut, and then copied at a whole device pixel.
    if (!image.external) {
        double box_x = command.rect.x0, box_y = command.rect.y0, box_width = command.rect.width(), box_height = command.rect.height();
        cairo_user_to_device(cr, &box_x, &box_y);
        cairo_user_to_device_distance(cr, &box_width, &box_height);
        double unit = 1, unused = 0;
        cairo_user_to_device_distance(cr, &unit, &unused);
        ScaledImageCache::Placement placement;
        placement.width = int(std::lround(std::clamp(box_width, 0.0, 16384.0)));
        placement.height = int(std::lround(std::clamp(box_height, 0.0, 16384.0)));
        placement.picture_x = (left - command.rect.x0) * unit;
        placement.picture_y = (top - command.rect.y0) * unit;
        placement.picture_width = drawn_width * unit;
        placement.picture_height = drawn_height * unit;
        placement.radius = command.radius * unit;
        if (auto* placed = ScaledImageCache::for_this_thread().placed(command.image, placement)) {
            double x = std::round(box_x), y = std::round(box_y);
            cairo_identity_matrix(cr);
            cairo_rectangle(cr, x, y, placement.width, placement.height);
            cairo_set_source_surface(cr, placed, x, y);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
            cairo_fill(cr);
            cairo_restore(cr);
            cairo_surface_destroy(surface);
            return;
        }
    }
    rounded_rect(cr, command.rect, command.radius);
    cairo_clip(cr);
    if (image.external && paint_unscaled(cr, surface, left, top, scale, image.width, image.height)) {
        cairo_restore(cr);
        cairo_surface_destroy(surface);
        return;
    }
    cairo_translate(cr, left, top);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, surface, 0, 0);
    // A video frame is scaled anew every frame it is shown: bilinear, as video players scale.
    // Cairo's good filter, a box convolution when shrinking, cost more than decoding the picture.
    cairo_pattern_set_filter(cairo_get_source(cr), image.external ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
}

bool is_whole_pixel(double value) { return std::abs(value - std::round(value)) < 1e-6; }

// The device pixels a command paints opaque, each of them whatever lay beneath: a solid fill
// without rounded corners, or a video picture copied at its own size, on whole device pixels.
std::optional<Rect> opaque_cover(SceneCommand const& command, double scale)
{
    Rect rect;
    if (auto const* fill = std::get_if<FillRect>(&command)) {
        if (fill->color.a < 1 || fill->radius > 0)
            return std::nullopt;
        rect = fill->rect;
    } else if (auto const* draw = std::get_if<DrawImage>(&command)) {
        auto const* image = draw->image.get();
        if (!image || !image->external || !image->opaque || draw->radius > 0 || image->width <= 0 || image->height <= 0
            || image->stride < image->width * 4 || image->byte_size() < std::size_t(image->stride) * std::size_t(image->height))
            return std::nullopt;
        if (std::lround(draw->rect.width() * scale) != image->width || std::lround(draw->rect.height() * scale) != image->height)
            return std::nullopt;
        rect = draw->rect;
    } else {
        return std::nullopt;
    }
    Rect device { rect.x0 * scale, rect.y0 * scale, rect.x1 * scale, rect.y1 * scale };
    if (device.is_empty() || !is_whole_pixel(device.x0) || !is_whole_pixel(device.y0) || !is_whole_pixel(device.x1) || !is_whole_pixel(device.y1))
        return std::nullopt;
    return Rect { std::round(device.x0), std::round(device.y0), std::round(device.x1), std::round(device.y1) };
}

// The largest opaque cover among the commands no clip confines: the background need not be
// painted under it, since it paints every one of those pixels itself.
std::optional<Rect> largest_opaque_cover(std::vector<SceneCommand> const& commands, double scale)
{
    std::optional<Rect> largest;
    int depth = 0;
    for (auto const& command : commands) {
        if (std::holds_alternative<PushClip>(command))
            ++depth;
        else if (std::holds_alternative<PopClip>(command))
            depth = std::max(0, depth - 1);
        else if (depth == 0)
            if (auto cover = opaque_cover(command, scale); cover && (!largest || cover->width() * cover->height() > largest->width() * largest->height()))
                largest = cover;
    }
    return largest;
}

void replay(cairo_t* cr, Scene const& scene, TextRenderer& text, double scale, Color const& background,
    std::span<Rect const> regions, std::span<std::optional<Rect> const> bounds)
{
    // Commands that paint nothing inside the regions are skipped (clips never are, so pushes
    // and pops stay paired).
    std::vector<Rect> logical_regions;
    for (auto const& region : regions)
        logical_regions.push_back({ region.x0 / scale, region.y0 / scale, region.x1 / scale, region.y1 / scale });
    auto outside_regions = [&](std::size_t index) {
        if (logical_regions.empty() || index >= bounds.size() || !bounds[index])
            return false;
        for (auto const& region : logical_regions)
            if (region.intersects(*bounds[index]))
                return false;
        return true;
    };
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    set_color(cr, background);
    auto const& commands = scene.commands();
    if (auto cover = largest_opaque_cover(commands, scale)) {
        // Everywhere but the cover: what the clip leaves, and the cover again, filled even-odd.
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
        cairo_new_path(cr);
        cairo_rectangle(cr, std::floor(x0), std::floor(y0), std::ceil(x1) - std::floor(x0), std::ceil(y1) - std::floor(y0));
        cairo_rectangle(cr, cover->x0, cover->y0, cover->width(), cover->height());
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    } else {
        cairo_paint(cr);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_scale(cr, scale, scale);
    int clip_depth = 0;
    for (std::size_t index = 0; index < commands.size(); ++index) {
        if (outside_regions(index))
            continue;
        auto const& command = commands[index];
        std::visit(
            [&](auto const& c) {
                using T = std::decay_t<decltype(c)>;
                if constexpr (std::is_same_v<T, FillRect>) {
                    rounded_rect(cr, c.rect, c.radius);
                    set_color(cr, c.color);
                    cairo_fill(cr);
                } else if constexpr (std::is_same_v<T, StrokeRect>) {
                    double inset = c.width / 2;
                    rounded_rect(cr, { c.rect.x0 + inset, c.rect.y0 + inset, c.rect.x1 - inset, c.rect.y1 - inset }, c.radius);
                    set_color(cr, c.color);
                    cairo_set_line_width(cr, c.width);
                    cairo_stroke(cr);
                } else if constexpr (std::is_same_v<T, FillCircle>) {
                    cairo_new_sub_path(cr);
                    cairo_arc(cr, c.center.x, c.center.y, std::max(0.0, c.radius), 0, 2 * M_PI);
                    set_color(cr, c.color);
                    cairo_fill(cr);
                } else if constexpr (std::is_same_v<T, FillGradient>) {
                    auto* pattern = cairo_pattern_create_linear(c.from.x, c.from.y, c.to.x, c.to.y);
                    cairo_pattern_add_color_stop_rgba(pattern, 0, c.start.r, c.start.g, c.start.b, c.start.a);
                    cairo_pattern_add_color_stop_rgba(pattern, 1, c.end.r, c.end.g, c.end.b, c.end.a);
                    rounded_rect(cr, c.rect, c.radius);
                    cairo_set_source(cr, pattern);
                    cairo_fill(cr);
                    cairo_pattern_destroy(pattern);
                } else if constexpr (std::is_same_v<T, FillPolygon>) {
                    if (c.points.size() >= 3) {
                        cairo_new_path(cr);
                        cairo_move_to(cr, c.points[0].x, c.points[0].y);
                        for (std::size_t i = 1; i < c.points.size(); ++i)
                            cairo_line_to(cr, c.points[i].x, c.points[i].y);
                        cairo_close_path(cr);
                        set_color(cr, c.color);
                        cairo_fill(cr);
                    }
                } else if constexpr (std::is_same_v<T, StrokePath>) {
                    for (std::size_t i = 0; i < c.subpaths.size(); ++i) {
                        auto const& points = c.subpaths[i];
                        if (points.empty())
                            continue;
                        cairo_new_sub_path(cr);
                        cairo_move_to(cr, points[0].x, points[0].y);
                        for (std::size_t j = 1; j < points.size(); ++j)
                            cairo_line_to(cr, points[j].x, points[j].y);
                        if (i < c.closed.size() && c.closed[i])
                            cairo_close_path(cr);
                    }
                    set_color(cr, c.color);
                    cairo_set_line_width(cr, c.width);
                    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
                    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
                    cairo_stroke(cr);
                } else if constexpr (std::is_same_v<T, DrawText>) {
                    text.draw(cr, c);
                } else if constexpr (std::is_same_v<T, DrawImage>) {
                    paint_image(cr, c);
                } else if constexpr (std::is_same_v<T, PushClip>) {
                    cairo_save(cr);
                    rounded_rect(cr, c.rect, c.radius);
                    cairo_clip(cr);
                    ++clip_depth;
                } else if constexpr (std::is_same_v<T, BeginScrollLayer> || std::is_same_v<T, EndScrollLayer>) {
                    // markers for reusing a frame; nothing to paint
                } else if constexpr (std::is_same_v<T, PopClip>) {
                    if (clip_depth > 0) {
                        cairo_restore(cr);
                        --clip_depth;
                    }
                }
            },
            command);
    }
    while (clip_depth-- > 0)
        cairo_restore(cr);
    cairo_restore(cr);
}

}

void paint_scene(cairo_t* cr, Scene const& scene, TextRenderer& text, double scale, Color const& background)
{
    replay(cr, scene, text, scale, background, {}, {});
}

void paint_scene_regions(cairo_t* cr, Scene const& scene, TextRenderer& text, double scale, Color const& background,
    std::span<Rect const> regions, std::span<std::optional<Rect> const> bounds)
{
    if (regions.empty())
        return;
    cairo_save(cr);
    cairo_new_path(cr);
    for (auto const& region : regions)
        cairo_rectangle(cr, region.x0, region.y0, region.width(), region.height());
    cairo_clip(cr);
    replay(cr, scene, text, scale, background, regions, bounds);
    cairo_restore(cr);
}

}
