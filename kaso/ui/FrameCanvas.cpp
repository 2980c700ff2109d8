#include "kaso/ui/FrameCanvas.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstring>

#include "kaso/ui/CairoPainter.h"
#include "kaso/ui/TextRenderer.h"

namespace kaso::ui {

namespace {

constexpr int max_dimension = 16384;
constexpr double epsilon = 1e-6;

bool near(double a, double b) { return std::abs(a - b) < epsilon; }
bool moved(Point old, Point now, Point by) { return near(old.x + by.x, now.x) && near(old.y + by.y, now.y); }
bool moved(Rect const& old, Rect const& now, Point by)
{
    return near(old.x0 + by.x, now.x0) && near(old.y0 + by.y, now.y0) && near(old.x1 + by.x, now.x1) && near(old.y1 + by.y, now.y1);
}
bool moved(std::vector<Point> const& old, std::vector<Point> const& now, Point by)
{
    if (old.size() != now.size())
        return false;
    for (std::size_t i = 0; i < old.size(); ++i)
        if (!moved(old[i], now[i], by))
            return false;
    return true;
}

// True when `now` is `old` drawn `by` further along, and otherwise the same.
bool same_moved(SceneCommand const& old, SceneCommand const& now, Point by)
{
    if (old.index() != now.index())
        return false;
    return std::visit(
        [&](auto const& o) {
            using T = std::decay_t<decltype(o)>;
            auto const& n = std::get<T>(now);
            if constexpr (std::is_same_v<T, FillRect>) {
                return moved(o.rect, n.rect, by) && o.color == n.color && o.radius == n.radius;
            } else if constexpr (std::is_same_v<T, StrokeRect>) {
                return moved(o.rect, n.rect, by) && o.color == n.color && o.width == n.width && o.radius == n.radius;
            } else if constexpr (std::is_same_v<T, FillCircle>) {
                return moved(o.center, n.center, by) && o.radius == n.radius && o.color == n.color;
            } else if constexpr (std::is_same_v<T, FillGradient>) {
                return moved(o.rect, n.rect, by) && o.radius == n.radius && moved(o.from, n.from, by) && moved(o.to, n.to, by) && o.start == n.start
                    && o.end == n.end;
            } else if constexpr (std::is_same_v<T, FillPolygon>) {
                return o.color == n.color && moved(o.points, n.points, by);
            } else if constexpr (std::is_same_v<T, StrokePath>) {
                if (o.color != n.color || o.width != n.width || o.closed != n.closed || o.subpaths.size() != n.subpaths.size())
                    return false;
                for (std::size_t i = 0; i < o.subpaths.size(); ++i)
                    if (!moved(o.subpaths[i], n.subpaths[i], by))
                        return false;
                return true;
            } else if constexpr (std::is_same_v<T, DrawText>) {
                return moved(o.origin, n.origin, by) && o.max_width == n.max_width && o.text == n.text && o.style == n.style;
            } else if constexpr (std::is_same_v<T, DrawImage>) {
                return o.image == n.image && !(o.image && o.image->may_change()) && moved(o.rect, n.rect, by) && o.radius == n.radius && o.fit == n.fit;
            } else if constexpr (std::is_same_v<T, PushClip>) {
                return moved(o.rect, n.rect, by) && o.radius == n.radius;
            } else if constexpr (std::is_same_v<T, BeginScrollLayer>) {
                return moved(o.viewport, n.viewport, by) && o.offset == n.offset;
            } else {
                return true; // PopClip, EndScrollLayer
            }
        },
        old);
}

Rect padded(Rect const& rect, double pad) { return { rect.x0 - pad, rect.y0 - pad, rect.x1 + pad, rect.y1 + pad }; }

Rect bounds_of_points(std::vector<Point> const& points, Rect bounds)
{
    for (auto const& point : points)
        bounds = bounds.united({ point.x, point.y, point.x + epsilon, point.y + epsilon });
    return bounds;
}

// The device pixels a shape within `rect` can touch, grown by `extra` of them, in logical
// pixels: antialiasing never reaches past the pixels a shape's edges cross.
Rect touched_pixels(Rect const& rect, double scale, double extra)
{
    auto down = [&](double v) { return (std::floor(v * scale + epsilon) - extra) / scale; };
    auto up = [&](double v) { return (std::ceil(v * scale - epsilon) + extra) / scale; };
    return { down(rect.x0), down(rect.y0), up(rect.x1), up(rect.y1) };
}

// Where a command paints, in logical pixels: the device pixels it can touch. Nothing for clips
// and markers, which paint nothing themselves. A command whose coordinates are not finite
// counts as painting everywhere.
std::optional<Rect> bounds_of(SceneCommand const& command, TextRenderer& text, double scale)
{
    auto bounds = std::visit(
        [&](auto const& c) -> std::optional<Rect> {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, FillRect> || std::is_same_v<T, StrokeRect> || std::is_same_v<T, FillGradient>) {
                return touched_pixels(c.rect, scale, 0);
            } else if constexpr (std::is_same_v<T, DrawImage>) {
                // A still picture is copied at a whole device pixel, its size rounded.
                return touched_pixels(c.rect, scale, 1);
            } else if constexpr (std::is_same_v<T, FillCircle>) {
                double r = std::max(0.0, c.radius);
                return touched_pixels({ c.center.x - r, c.center.y - r, c.center.x + r, c.center.y + r }, scale, 0);
            } else if constexpr (std::is_same_v<T, FillPolygon>) {
                return touched_pixels(bounds_of_points(c.points, {}), scale, 0);
            } else if constexpr (std::is_same_v<T, StrokePath>) {
                Rect all;
                for (auto const& subpath : c.subpaths)
                    all = bounds_of_points(subpath, all);
                return touched_pixels(padded(all, std::max(0.0, c.width) / 2), scale, 1);
            } else if constexpr (std::is_same_v<T, DrawText>) {
                return touched_pixels(text.ink_bounds(c), scale, 1);
            } else {
                return std::nullopt;
            }
        },
        command);
    if (bounds && !(std::isfinite(bounds->x0) && std::isfinite(bounds->y0) && std::isfinite(bounds->x1) && std::isfinite(bounds->y1)))
        return Rect { -1e9, -1e9, 1e9, 1e9 };
    return bounds;
}

bool is_clip_or_layer_start(SceneCommand const& command)
{
    return std::holds_alternative<PushClip>(command) || std::holds_alternative<BeginScrollLayer>(command);
}
bool is_clip_or_layer_end(SceneCommand const& command)
{
    return std::holds_alternative<PopClip>(command) || std::holds_alternative<EndScrollLayer>(command);
}

// The rectangle a clip or a nested layer confines its commands to.
Rect confining_rect(SceneCommand const& command)
{
    if (auto const* clip = std::get_if<PushClip>(&command))
        return clip->rect;
    return std::get<BeginScrollLayer>(command).viewport;
}

// The top-level scroll layers of a command list, as the indices of their begin and end markers;
// nothing when the markers do not pair up.
struct LayerSpan {
    std::size_t begin;
    std::size_t end;
};
std::optional<std::vector<LayerSpan>> top_level_layers(std::vector<SceneCommand> const& commands)
{
    std::vector<LayerSpan> spans;
    int depth = 0;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (std::holds_alternative<BeginScrollLayer>(commands[i])) {
            if (depth++ == 0)
                spans.push_back({ i, i });
        } else if (std::holds_alternative<EndScrollLayer>(commands[i])) {
            if (--depth < 0)
                return std::nullopt;
            if (depth == 0)
                spans.back().end = i;
        }
    }
    if (depth != 0)
        return std::nullopt;
    return spans;
}

// The indices in [first, last) of the commands that can paint inside `region`: drawing commands
// whose bounds meet it, and clips and nested layers that meet it, with what they hold. A block
// confined away from the region is left out whole. Nothing when a block does not end inside the
// range: what it holds cannot be told apart from what follows.
std::optional<std::vector<std::size_t>> commands_meeting(std::vector<SceneCommand> const& commands, std::vector<std::optional<Rect>> const& bounds,
    std::size_t first, std::size_t last, Rect const& region)
{
    std::vector<std::size_t> out;
    for (std::size_t i = first; i < last; ++i) {
        auto const& command = commands[i];
        if (is_clip_or_layer_start(command) && !padded(confining_rect(command), 1).intersects(region)) {
            int depth = 1;
            while (depth > 0 && ++i < last) {
                if (is_clip_or_layer_start(commands[i]))
                    ++depth;
                else if (is_clip_or_layer_end(commands[i]))
                    --depth;
            }
            if (depth > 0)
                return std::nullopt;
            continue;
        }
        if (bounds[i] && !bounds[i]->intersects(region))
            continue;
        out.push_back(i);
    }
    return out;
}

bool is_whole(double value) { return near(value, std::round(value)); }

// A device rectangle grown to whole pixels and kept inside the canvas.
Rect device_pixels(Rect const& logical, double scale, int width, int height)
{
    Rect device { std::floor(logical.x0 * scale), std::floor(logical.y0 * scale), std::ceil(logical.x1 * scale), std::ceil(logical.y1 * scale) };
    return device.intersected({ 0, 0, double(width), double(height) });
}

void shift_pixels(uint8_t* pixels, int stride, Rect const& area, int dx, int dy)
{
    // The pixel at p takes the one that was at p + (dx, dy), inside `area`.
    int x0 = int(area.x0), x1 = int(area.x1), y0 = int(area.y0), y1 = int(area.y1);
    int from_x = std::max(x0, x0 - dx), to_x = std::min(x1, x1 - dx);
    if (to_x <= from_x)
        return;
    auto row_bytes = std::size_t(to_x - from_x) * 4;
    auto copy_row = [&](int y) {
        auto* target = pixels + std::size_t(y) * std::size_t(stride) + std::size_t(from_x) * 4;
        auto const* source = pixels + std::size_t(y + dy) * std::size_t(stride) + std::size_t(from_x + dx) * 4;
        std::memmove(target, source, row_bytes);
    };
    if (dy >= 0) {
        for (int y = y0; y < y1 - dy; ++y)
            copy_row(y);
    } else {
        for (int y = y1 - 1; y >= y0 - dy; --y)
            copy_row(y);
    }
}

// The regions without those that another one already holds: a picture that changed in place
// (a video frame) is named twice, where it was and where it is.
std::vector<Rect> without_covered(std::vector<Rect> const& regions)
{
    std::vector<Rect> kept;
    for (std::size_t i = 0; i < regions.size(); ++i) {
        auto const& rect = regions[i];
        bool covered = false;
        for (std::size_t j = 0; j < regions.size() && !covered; ++j) {
            if (j == i)
                continue;
            auto const& other = regions[j];
            bool holds = other.x0 <= rect.x0 && other.y0 <= rect.y0 && other.x1 >= rect.x1 && other.y1 >= rect.y1;
            // Of two equal regions the first stays.
            covered = holds && (other != rect || j < i);
        }
        if (!covered)
            kept.push_back(rect);
    }
    return kept;
}

// Painting most of a frame piece by piece costs more than painting it whole.
bool worth_reusing(std::vector<Rect> const& repaint, double area)
{
    double painted = 0;
    for (auto const& rect : repaint)
        painted += rect.width() * rect.height();
    return painted <= area * 0.6;
}

// Pairs two command lists in order, `now` being `old` moved `by`: a command that changed, or that
// one list has and the other lacks (a hover fill, say), pairs with nothing, and where it paints
// (in the new frame's coordinates) goes to `changed`. Pairing keeps the order, so outside the
// changed places the same commands paint in the same order. False when a clip or a marker
// would not pair: where a clip acts cannot be told from its own bounds.
bool pair_commands(std::vector<SceneCommand> const& old, std::vector<std::optional<Rect>> const& old_bounds, std::vector<std::size_t> const& old_list,
    std::vector<SceneCommand> const& now, std::vector<std::optional<Rect>> const& now_bounds, std::vector<std::size_t> const& now_list, Point by,
    std::vector<Rect>& changed)
{
    constexpr std::size_t look_ahead = 8;
    auto pairs = [&](std::size_t i, std::size_t j) { return same_moved(old[old_list[i]], now[now_list[j]], by); };
    auto drop_old = [&](std::size_t i) {
        if (!old_bounds[old_list[i]])
            return false;
        changed.push_back(old_bounds[old_list[i]]->translated(by.x, by.y));
        return true;
    };
    auto drop_now = [&](std::size_t j) {
        if (!now_bounds[now_list[j]])
            return false;
        changed.push_back(*now_bounds[now_list[j]]);
        return true;
    };
    std::size_t i = 0, j = 0;
    while (i < old_list.size() || j < now_list.size()) {
        if (i < old_list.size() && j < now_list.size() && pairs(i, j)) {
            ++i;
            ++j;
            continue;
        }
        std::size_t skip_now = 0, skip_old = 0;
        for (std::size_t k = 1; k <= look_ahead && !skip_now && !skip_old; ++k) {
            if (i < old_list.size() && j + k < now_list.size() && pairs(i, j + k))
                skip_now = k;
            else if (j < now_list.size() && i + k < old_list.size() && pairs(i + k, j))
                skip_old = k;
        }
        if (skip_now) {
            for (; skip_now > 0; --skip_now)
                if (!drop_now(j++))
                    return false;
        } else if (skip_old) {
            for (; skip_old > 0; --skip_old)
                if (!drop_old(i++))
                    return false;
        } else {
            if (i < old_list.size() && !drop_old(i++))
                return false;
            if (j < now_list.size() && !drop_now(j++))
                return false;
        }
    }
    return true;
}

std::vector<std::size_t> all_indices(std::size_t count)
{
    std::vector<std::size_t> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = i;
    return out;
}

}

struct FrameCanvas::Reuse {
    Rect area; // device pixels whose content moves
    int dx { 0 };
    int dy { 0 };
    std::vector<Rect> repaint; // device pixels
};

std::optional<FrameCanvas::Reuse> FrameCanvas::plan_reuse(std::vector<SceneCommand> const& now, std::vector<std::optional<Rect>> const& now_bounds) const
{
    auto const& old = m_painted->commands;
    auto const& old_bounds = m_painted->bounds;
    double scale = m_painted->scale;
    auto old_layers = top_level_layers(old);
    auto now_layers = top_level_layers(now);
    if (!old_layers || !now_layers || old_layers->size() != now_layers->size())
        return std::nullopt;

    // Exactly one scroll view moved; the others are compared with everything else below.
    std::optional<std::size_t> moving;
    for (std::size_t i = 0; i < now_layers->size(); ++i) {
        auto const& a = std::get<BeginScrollLayer>(old[(*old_layers)[i].begin]);
        auto const& b = std::get<BeginScrollLayer>(now[(*now_layers)[i].begin]);
        if (a.viewport != b.viewport)
            return std::nullopt;
        if (a.offset != b.offset) {
            if (moving)
                return std::nullopt;
            moving = i;
        }
    }
    if (!moving) {
        // Nothing scrolled: what changed (a hover, a pressed button) is painted again where it
        // was and where it is.
        std::vector<Rect> changed;
        if (!pair_commands(old, old_bounds, all_indices(old.size()), now, now_bounds, all_indices(now.size()), {}, changed))
            return std::nullopt;
        Reuse reuse;
        for (auto const& logical : changed) {
            auto device = device_pixels(logical, scale, m_target.width, m_target.height);
            if (!device.is_empty())
                reuse.repaint.push_back(device);
        }
        reuse.repaint = without_covered(reuse.repaint);
        // Nothing moved, so the regions are painted in one pass through the scene, clipped to
        // them: short of the whole canvas (a playing video, with its controls beside it) that
        // costs less than the frame around them painted again, however large they are.
        Rect whole { 0, 0, double(m_target.width), double(m_target.height) };
        double painted = 0;
        for (auto const& rect : reuse.repaint)
            painted += rect.width() * rect.height();
        if (painted >= whole.width() * whole.height())
            return std::nullopt;
        return reuse;
    }
    auto old_span = (*old_layers)[*moving];
    auto now_span = (*now_layers)[*moving];
    auto const& old_layer = std::get<BeginScrollLayer>(old[old_span.begin]);
    auto const& now_layer = std::get<BeginScrollLayer>(now[now_span.begin]);

    // The content moves by whole device pixels, or its pixels cannot simply be moved.
    Point delta { now_layer.offset.x - old_layer.offset.x, now_layer.offset.y - old_layer.offset.y };
    if (!is_whole(delta.x * scale) || !is_whole(delta.y * scale))
        return std::nullopt;
    int dx = int(std::lround(delta.x * scale)), dy = int(std::lround(delta.y * scale));
    Point by { -delta.x, -delta.y }; // how far the content moved on the screen

    // Where the layer shows: inside the clips around it, which must be plain rectangles and
    // keep its content within its viewport (a scroll view clips itself to it).
    if (old_span.begin != now_span.begin)
        return std::nullopt;
    std::vector<Rect> open_clips;
    for (std::size_t i = 0; i < now_span.begin; ++i) {
        if (auto const* clip = std::get_if<PushClip>(&now[i])) {
            if (clip->radius > 0)
                return std::nullopt;
            open_clips.push_back(clip->rect);
        } else if (std::holds_alternative<PopClip>(now[i]) && !open_clips.empty()) {
            open_clips.pop_back();
        }
    }
    if (open_clips.empty())
        return std::nullopt;
    Rect shown = open_clips.front();
    for (auto const& clip : open_clips)
        shown = shown.intersected(clip);
    auto const& viewport = now_layer.viewport;
    if (shown.is_empty() || shown.x0 < viewport.x0 - epsilon || shown.y0 < viewport.y0 - epsilon || shown.x1 > viewport.x1 + epsilon
        || shown.y1 > viewport.y1 + epsilon)
        return std::nullopt;
    if (!is_whole(shown.x0 * scale) || !is_whole(shown.y0 * scale) || !is_whole(shown.x1 * scale) || !is_whole(shown.y1 * scale))
        return std::nullopt;
    Rect area = device_pixels(shown, scale, m_target.width, m_target.height);
    if (area.is_empty() || std::abs(dx) >= int(area.width()) || std::abs(dy) >= int(area.height()))
        return std::nullopt;
    shown = { area.x0 / scale, area.y0 / scale, area.x1 / scale, area.y1 / scale };

    // Before the layer: the same commands, and under it nothing but rectangles covering it all,
    // so the backdrop the pixels move over is one colour.
    for (std::size_t i = 0; i < now_span.begin; ++i) {
        if (!(old[i] == now[i]))
            return std::nullopt;
        if (!now_bounds[i] || !now_bounds[i]->intersects(shown))
            continue;
        auto const* fill = std::get_if<FillRect>(&now[i]);
        if (!fill || fill->radius > 0 || !(fill->rect.x0 <= shown.x0 && fill->rect.y0 <= shown.y0 && fill->rect.x1 >= shown.x1 && fill->rect.y1 >= shown.y1))
            return std::nullopt;
    }

    // Inside the layer: what can paint where the moved pixels land is what was there, moved.
    Rect kept = shown.intersected(shown.translated(by.x, by.y));
    if (kept.is_empty())
        return std::nullopt;
    auto old_kept = commands_meeting(old, old_bounds, old_span.begin + 1, old_span.end, kept.translated(-by.x, -by.y));
    auto now_kept = commands_meeting(now, now_bounds, now_span.begin + 1, now_span.end, kept);
    if (!old_kept || !now_kept)
        return std::nullopt;
    std::vector<Rect> changed;
    if (!pair_commands(old, old_bounds, *old_kept, now, now_bounds, *now_kept, by, changed))
        return std::nullopt;

    Reuse reuse;
    reuse.area = area;
    reuse.dx = dx;
    reuse.dy = dy;
    auto repaint = [&](Rect const& logical) {
        auto device = device_pixels(logical.intersected(shown), scale, m_target.width, m_target.height);
        if (!device.is_empty())
            reuse.repaint.push_back(device);
    };
    for (auto const& logical : changed)
        repaint(logical);
    // The strips the scroll uncovered.
    repaint({ shown.x0, shown.y0, shown.x1, kept.y0 });
    repaint({ shown.x0, kept.y1, shown.x1, shown.y1 });
    repaint({ shown.x0, kept.y0, kept.x0, kept.y1 });
    repaint({ kept.x1, kept.y0, shown.x1, kept.y1 });

    // After the layer (its indicator, overlays): what lies wholly inside it may change and is
    // painted again where it was (the moved pixels carry it along) and where it is now; the
    // rest must be the same, and is painted again where it covers the layer.
    auto inside = [&](std::optional<Rect> const& bounds) {
        return bounds && bounds->x0 >= shown.x0 && bounds->y0 >= shown.y0 && bounds->x1 <= shown.x1 && bounds->y1 <= shown.y1;
    };
    std::vector<std::size_t> old_fixed, now_fixed;
    for (std::size_t i = old_span.end + 1; i < old.size(); ++i) {
        if (old_bounds[i] && old_bounds[i]->intersects(shown))
            repaint(old_bounds[i]->translated(by.x, by.y));
        if (!inside(old_bounds[i]))
            old_fixed.push_back(i);
    }
    for (std::size_t i = now_span.end + 1; i < now.size(); ++i) {
        if (now_bounds[i] && now_bounds[i]->intersects(shown))
            repaint(*now_bounds[i]);
        if (!inside(now_bounds[i]))
            now_fixed.push_back(i);
    }
    if (old_fixed.size() != now_fixed.size())
        return std::nullopt;
    for (std::size_t i = 0; i < now_fixed.size(); ++i)
        if (!(old[old_fixed[i]] == now[now_fixed[i]]))
            return std::nullopt;
    if (!worth_reusing(reuse.repaint, area.width() * area.height()))
        return std::nullopt;
    return reuse;
}

ErrorOr<FrameDamage> FrameCanvas::paint(Scene const& scene, TextRenderer& text, double scale, Color const& background, int width, int height)
{
    if (!(width >= 1 && height >= 1 && width <= max_dimension && height <= max_dimension))
        return make_error(fmt::format("canvas: picture size {}x{} out of range", width, height));
    int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
    std::size_t bytes = std::size_t(stride) * std::size_t(height);
    if (m_image.width != width || m_image.height != height || m_image.stride != stride || m_image.pixels.size() != bytes) {
        m_image = Image {};
        m_image.width = width;
        m_image.height = height;
        m_image.stride = stride;
        m_image.pixels.assign(bytes, 0);
    }
    return paint_pixels({ m_image.pixels.data(), stride, width, height, CAIRO_FORMAT_ARGB32 }, scene, text, scale, background);
}

ErrorOr<FrameDamage> FrameCanvas::paint_into(uint8_t* pixels, int stride, Scene const& scene, TextRenderer& text, double scale,
    Color const& background, int width, int height)
{
    if (!(width >= 1 && height >= 1 && width <= max_dimension && height <= max_dimension))
        return make_error(fmt::format("canvas: picture size {}x{} out of range", width, height));
    if (!pixels || stride < width * 4 || stride % 4 != 0)
        return make_error(fmt::format("canvas: {} bytes a row cannot hold {} pixels", stride, width));
    // The caller's pixels replace the canvas's own.
    if (!m_image.pixels.empty())
        m_image = Image {};
    return paint_pixels({ pixels, stride, width, height, CAIRO_FORMAT_RGB24 }, scene, text, scale, background);
}

ErrorOr<FrameDamage> FrameCanvas::paint_pixels(Target const& target, Scene const& scene, TextRenderer& text, double scale, Color const& background)
{
    int width = target.width, height = target.height, stride = target.stride;
    if (target.pixels != m_target.pixels || target.stride != m_target.stride || target.width != m_target.width
        || target.height != m_target.height || target.format != m_target.format)
        m_painted.reset();
    m_target = target;

    auto const& commands = scene.commands();
    std::vector<std::optional<Rect>> bounds;
    bounds.reserve(commands.size());
    for (auto const& command : commands)
        bounds.push_back(bounds_of(command, text, scale));

    bool same_setting = m_painted && m_painted->scale == scale && m_painted->background == background;
    if (same_setting && m_painted->commands == commands)
        return FrameDamage { FrameDamage::Kind::Nothing, {} };
    std::optional<Reuse> reuse;
    if (same_setting)
        reuse = plan_reuse(commands, bounds);

    auto* surface = cairo_image_surface_create_for_data(target.pixels, cairo_format_t(target.format), width, height, stride);
    auto* cr = cairo_create(surface);
    FrameDamage damage;
    if (reuse) {
        shift_pixels(target.pixels, stride, reuse->area, reuse->dx, reuse->dy);
        paint_scene_regions(cr, scene, text, scale, background, reuse->repaint, bounds);
        damage.kind = FrameDamage::Kind::Part;
        damage.bounds = reuse->area;
        for (auto const& region : reuse->repaint)
            damage.bounds = damage.bounds.united(region);
    } else {
        paint_scene(cr, scene, text, scale, background);
        damage.kind = FrameDamage::Kind::Whole;
        damage.bounds = { 0, 0, double(width), double(height) };
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    auto status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        m_painted.reset();
        return make_error(fmt::format("canvas: painting failed: {}", cairo_status_to_string(status)));
    }
    if (!m_painted)
        m_painted.emplace();
    m_painted->commands = commands;
    m_painted->bounds = std::move(bounds);
    m_painted->scale = scale;
    m_painted->background = background;
    return damage;
}

}
