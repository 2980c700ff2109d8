#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "kaso/platform/Error.h"
#include "kaso/ui/Color.h"
#include "kaso/ui/Geometry.h"
#include "kaso/ui/Image.h"
#include "kaso/ui/Scene.h"

namespace kaso::ui {

class TextRenderer;

// What painting a frame changed in the canvas.
struct FrameDamage {
    enum class Kind {
        Nothing, // the scene is the one already shown
        Part,    // only `bounds` changed
        Whole,   // every pixel was painted
    };
    Kind kind { Kind::Whole };
    Rect bounds; // device pixels, whole; the whole canvas for Whole, empty for Nothing
};

// A frame buffer kept from frame to frame, with the scene last painted into it. Most frames
// differ from the one before in little: nothing at all while idle, or one scroll view whose
// content moved. Such a frame is made from the pixels already there — moved, for the scroll
// view — and only what they cannot provide (the strip the scroll uncovered, the scroll
// indicator) is painted again. Anything else is painted whole, so the pixels are those a whole
// repaint would give (but for the antialiased rim of a shape cut by the edge of a repainted
// region, where Cairo's rasteriser may differ from the whole repaint by a few 256ths).
//
// A scroll view's pixels are reused only when its backdrop is plain: nothing recorded before
// it paints inside it but rectangles that cover it all (the frame background, a page colour).
class FrameCanvas {
public:
    // Paints `scene` at `scale` into a canvas of `width` × `height` device pixels.
    ErrorOr<FrameDamage> paint(Scene const& scene, TextRenderer& text, double scale, Color const& background, int width, int height);

    // Paints into pixels the caller owns and keeps as they are between frames (a window's
    // surface): `stride` bytes a row of 32-bit native-endian xRGB, the top byte unused. The
    // canvas then lets go of a picture of its own. Pixels other than those painted last (another
    // address, size or row length) are painted whole.
    ErrorOr<FrameDamage> paint_into(uint8_t* pixels, int stride, Scene const& scene, TextRenderer& text, double scale,
        Color const& background, int width, int height);

    // The picture `paint` painted (empty after `paint_into`).
    Image const& image() const { return m_image; }
    // The picture, for a canvas that is done with.
    Image take_image() && { return std::move(m_image); }
    // Forgets the painted scene, so the next frame is painted whole.
    void invalidate() { m_painted.reset(); }

private:
    // Where the frame is painted; `format` is a cairo_format_t.
    struct Target {
        uint8_t* pixels { nullptr };
        int stride { 0 };
        int width { 0 };
        int height { 0 };
        int format { 0 };
    };
    ErrorOr<FrameDamage> paint_pixels(Target const& target, Scene const& scene, TextRenderer& text, double scale, Color const& background);

    struct Reuse;
    std::optional<Reuse> plan_reuse(std::vector<SceneCommand> const& now, std::vector<std::optional<Rect>> const& now_bounds) const;

    Image m_image;
    Target m_target; // of the last frame painted
    // What the pixels show: the commands, where each paints, and how.
    struct Painted {
        std::vector<SceneCommand> commands;
        std::vector<std::optional<Rect>> bounds;
        double scale { 1 };
        Color background;
    };
    std::optional<Painted> m_painted;
};

}
