#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "kaso/ui/Geometry.h"
#include "kaso/ui/TextStyle.h"

typedef struct _cairo cairo_t;
typedef struct _PangoLayout PangoLayout;

namespace kaso::ui {

struct DrawText;

// Measures and draws text with Pango. Metric hinting is off, so a measured width is the width
// drawn at any scale. One renderer is used on the UI thread only.
class TextRenderer {
public:
    explicit TextRenderer(std::string default_family = "DejaVu Sans");
    // Loads the fonts `family` shows `sizes` in, on the calling thread (one of its own, while the
    // window system starts), for the first renderer of the process to take over: it then finds
    // them ready instead of loading them on the UI thread. A renderer made while they load waits
    // for them; once the first renderer is made, this does nothing.
    static void prepare_fonts(std::string const& family, std::span<float const> sizes);
    ~TextRenderer();
    TextRenderer(TextRenderer const&) = delete;
    TextRenderer& operator=(TextRenderer const&) = delete;

    // The size of `text` laid out in `style`, wrapped at `max_width` when it is above 0.
    Size measure_style(std::string_view text, TextStyle const& style, double max_width = 0);

    // Paints one recorded text command onto a Cairo context whose transform is already scaled.
    void draw(cairo_t* cr, DrawText const& text);
    // Where a recorded text command paints, in its own (logical) coordinates: the union of its
    // ink and logical boxes with a logical pixel more on each side. Shares the laid-out text with draw.
    Rect ink_bounds(DrawText const& text);

    std::string const& default_family() const { return m_default_family; }

    // Laid-out texts are kept for reuse within a memory budget, counted by an estimate of what
    // Pango holds for each (its lines, glyphs and character attributes grow with the text).
    static constexpr std::size_t layout_budget_bytes = 4u * 1024 * 1024;
    static std::size_t estimated_layout_bytes(std::string_view text);
    std::size_t cached_layouts() const;
    std::size_t cached_layout_bytes() const;

    // The renderer's Pango state; defined beside the renderer, named here so that fonts prepared
    // on another thread can be handed over in one.
    struct Impl;

private:
    PangoLayout* layout_for(DrawText const& text);

    std::unique_ptr<Impl> m_impl;
    std::string m_default_family;
};

}
