#pragma once

#include <memory>
#include <string_view>

#include "kaso/ui/Geometry.h"
#include "kaso/ui/TextStyle.h"

typedef struct _cairo cairo_t;

namespace kaso::ui {

struct DrawText;

// Measures and draws text with Pango. Metric hinting is off, so a measured width is the width
// drawn at any scale. One renderer is used on the UI thread only.
class TextRenderer {
public:
    explicit TextRenderer(std::string default_family = "DejaVu Sans");
    ~TextRenderer();
    TextRenderer(TextRenderer const&) = delete;
    TextRenderer& operator=(TextRenderer const&) = delete;

    // The size of `text` laid out in `style`, wrapped at `max_width` when it is above 0.
    Size measure_style(std::string_view text, TextStyle const& style, double max_width = 0);

    // Paints one recorded text command onto a Cairo context whose transform is already scaled.
    void draw(cairo_t* cr, DrawText const& text);

    std::string const& default_family() const { return m_default_family; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_default_family;
};

}
