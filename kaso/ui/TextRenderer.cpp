#include "kaso/ui/TextRenderer.h"

#include <cmath>
#include <mutex>
#include <pango/pangocairo.h>
#include <unordered_map>

#include "kaso/ui/Scene.h"

namespace kaso::ui {

namespace {

// What a laid-out text depends on.
struct LayoutKey {
    std::string text;
    TextStyle style;
    double max_width;
};

// The same, borrowed from a text command: what a lookup is made with, so finding a cached
// layout copies nothing.
struct LayoutKeyView {
    std::string_view text;
    TextStyle const& style;
    double max_width;
};

struct LayoutKeyHash {
    using is_transparent = void;
    std::size_t operator()(LayoutKeyView const& key) const
    {
        std::size_t hash = std::hash<std::string_view> {}(key.text);
        auto mix = [&](auto value) { hash ^= std::hash<decltype(value)> {}(value) + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2); };
        mix(key.style.size);
        mix(int(key.style.weight));
        mix(int(key.style.align));
        mix(key.style.max_lines);
        mix(key.style.line_height);
        mix(key.max_width);
        mix(std::string_view(key.style.family));
        return hash;
    }
    std::size_t operator()(LayoutKey const& key) const { return (*this)(LayoutKeyView { key.text, key.style, key.max_width }); }
};

struct LayoutKeyEqual {
    using is_transparent = void;
    static bool same(LayoutKeyView const& a, LayoutKeyView const& b) { return a.text == b.text && a.style == b.style && a.max_width == b.max_width; }
    static LayoutKeyView view(LayoutKey const& key) { return { key.text, key.style, key.max_width }; }
    bool operator()(LayoutKey const& a, LayoutKey const& b) const { return same(view(a), view(b)); }
    bool operator()(LayoutKey const& a, LayoutKeyView const& b) const { return same(view(a), b); }
    bool operator()(LayoutKeyView const& a, LayoutKey const& b) const { return same(a, view(b)); }
};

struct CachedLayout {
    PangoLayout* layout { nullptr };
    guint serial { 0 }; // the context serial the layout was last brought up to date with
};

}

struct TextRenderer::Impl {
    PangoFontMap* font_map { nullptr };
    PangoContext* context { nullptr };
    // Laid-out texts, reused from frame to frame: laying text out is the costly part of drawing
    // it. Emptied whole when one more would pass the count or the memory budget.
    std::unordered_map<LayoutKey, CachedLayout, LayoutKeyHash, LayoutKeyEqual> layouts;
    std::size_t layout_bytes { 0 };
    static constexpr std::size_t max_layouts = 2048;
    // The device scale the context was last brought up to date with.
    bool synced { false };
    double synced_xx { 1 };
    double synced_yy { 1 };

    void clear_layouts()
    {
        for (auto& [key, cached] : layouts)
            g_object_unref(cached.layout);
        layouts.clear();
        layout_bytes = 0;
    }

    ~Impl()
    {
        clear_layouts();
        if (context)
            g_object_unref(context);
        if (font_map)
            g_object_unref(font_map);
    }
};

namespace {

PangoWeight pango_weight(FontWeight weight)
{
    switch (weight) {
    case FontWeight::Regular: return PANGO_WEIGHT_NORMAL;
    case FontWeight::Medium: return PANGO_WEIGHT_MEDIUM;
    case FontWeight::Semibold: return PANGO_WEIGHT_SEMIBOLD;
    case FontWeight::Bold: return PANGO_WEIGHT_BOLD;
    }
    return PANGO_WEIGHT_NORMAL;
}

PangoAlignment pango_alignment(TextAlign align)
{
    switch (align) {
    case TextAlign::Start: return PANGO_ALIGN_LEFT;
    case TextAlign::Center: return PANGO_ALIGN_CENTER;
    case TextAlign::End: return PANGO_ALIGN_RIGHT;
    }
    return PANGO_ALIGN_LEFT;
}

// Fills a layout with the text and the style's font, wrapping and line limit.
void configure(PangoLayout* layout, std::string_view text, TextStyle const& style, std::string const& family, double max_width)
{
    auto* description = pango_font_description_new();
    pango_font_description_set_family(description, style.family.empty() ? family.c_str() : style.family.c_str());
    double size = std::isfinite(style.size) && style.size > 0 ? style.size : 14.0;
    pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    pango_font_description_set_weight(description, pango_weight(style.weight));
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);

    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    pango_layout_set_alignment(layout, pango_alignment(style.align));
    if (max_width > 0 && std::isfinite(max_width)) {
        pango_layout_set_width(layout, static_cast<int>(std::min(max_width, 1e6) * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        if (style.max_lines > 0) {
            pango_layout_set_height(layout, -style.max_lines);
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        }
    } else {
        pango_layout_set_width(layout, -1);
    }
    if (style.line_height > 0 && std::isfinite(style.line_height))
        pango_layout_set_line_spacing(layout, static_cast<float>(style.line_height / size));
}

}

namespace {

// A font map and context set up as every renderer needs them.
std::unique_ptr<TextRenderer::Impl> make_impl()
{
    auto impl = std::make_unique<TextRenderer::Impl>();
    impl->font_map = pango_cairo_font_map_new();
    impl->context = pango_font_map_create_context(impl->font_map);
    auto* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(impl->context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(impl->context, FALSE);
    return impl;
}

// The fonts prepared for the process's first renderer. The mutex is held while they load, so
// a renderer made meanwhile waits for them rather than loading the same fonts beside them.
struct PreparedFonts {
    std::mutex mutex;
    bool first_renderer_made { false }; // protected by mutex
    std::string family;                 // protected by mutex
    std::unique_ptr<TextRenderer::Impl> impl; // protected by mutex
};

PreparedFonts& prepared_fonts()
{
    static PreparedFonts* fonts = new PreparedFonts(); // never destroyed: threads may outlive main
    return *fonts;
}

}

void TextRenderer::prepare_fonts(std::string const& family, std::span<float const> sizes)
{
    auto& prepared = prepared_fonts();
    std::lock_guard lock(prepared.mutex);
    if (prepared.first_renderer_made || prepared.impl)
        return;
    auto impl = make_impl();
    // Laying a line out loads what its font needs: the font files, their shaping faces, and the
    // fonts chosen for the family at that size.
    for (float size : sizes) {
        TextStyle style;
        style.size = size;
        auto* layout = pango_layout_new(impl->context);
        configure(layout, "Home 0123456789", style, family, 0);
        pango_layout_get_extents(layout, nullptr, nullptr);
        g_object_unref(layout);
    }
    prepared.family = family;
    prepared.impl = std::move(impl);
}

TextRenderer::TextRenderer(std::string default_family)
    : m_default_family(std::move(default_family))
{
    {
        auto& prepared = prepared_fonts();
        std::lock_guard lock(prepared.mutex);
        if (!prepared.first_renderer_made) {
            prepared.first_renderer_made = true;
            if (prepared.impl && prepared.family == m_default_family)
                m_impl = std::move(prepared.impl);
            // Fonts prepared for another family are not needed by any renderer now.
            prepared.impl.reset();
        }
    }
    if (!m_impl)
        m_impl = make_impl();
}

TextRenderer::~TextRenderer() = default;

Size TextRenderer::measure_style(std::string_view text, TextStyle const& style, double max_width)
{
    auto* layout = pango_layout_new(m_impl->context);
    configure(layout, text, style, m_default_family, max_width);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    return { logical.width / double(PANGO_SCALE), logical.height / double(PANGO_SCALE) };
}

std::size_t TextRenderer::estimated_layout_bytes(std::string_view text)
{
    // The layout object with its line and font description, then per byte of text its
    // character attributes and glyph, geometry and cluster entries. Measured on the heap for
    // wrapped Latin labels: about 1.4 KB for 8 bytes, 2.4 KB for 40, 9.5 KB for 200.
    constexpr std::size_t fixed = 1280;
    constexpr std::size_t per_byte = 48;
    return fixed + per_byte * text.size() + sizeof(LayoutKey) + text.size();
}

std::size_t TextRenderer::cached_layouts() const { return m_impl->layouts.size(); }
std::size_t TextRenderer::cached_layout_bytes() const { return m_impl->layout_bytes; }

PangoLayout* TextRenderer::layout_for(DrawText const& text)
{
    guint serial = pango_context_get_serial(m_impl->context);
    auto found = m_impl->layouts.find(LayoutKeyView { text.text, text.style, text.max_width });
    if (found == m_impl->layouts.end()) {
        auto cost = estimated_layout_bytes(text.text);
        if (m_impl->layouts.size() >= Impl::max_layouts || m_impl->layout_bytes + cost > layout_budget_bytes)
            m_impl->clear_layouts();
        m_impl->layout_bytes += cost;
        auto* created = pango_layout_new(m_impl->context);
        configure(created, text.text, text.style, m_default_family, text.max_width);
        found = m_impl->layouts.emplace(LayoutKey { text.text, text.style, text.max_width }, CachedLayout { created, serial }).first;
    } else if (found->second.serial != serial) {
        pango_layout_context_changed(found->second.layout);
        found->second.serial = serial;
    }
    return found->second.layout;
}

Rect TextRenderer::ink_bounds(DrawText const& text)
{
    PangoRectangle ink;
    PangoRectangle logical;
    pango_layout_get_extents(layout_for(text), &ink, &logical);
    auto to_rect = [&](PangoRectangle const& r) {
        return Rect::from_origin_size(text.origin.x + r.x / double(PANGO_SCALE), text.origin.y + r.y / double(PANGO_SCALE),
            r.width / double(PANGO_SCALE), r.height / double(PANGO_SCALE));
    };
    // Glyphs are placed on whole device pixels and antialiased: a pixel more on each side.
    Rect bounds = to_rect(logical).united(to_rect(ink));
    return { bounds.x0 - 1, bounds.y0 - 1, bounds.x1 + 1, bounds.y1 + 1 };
}

void TextRenderer::draw(cairo_t* cr, DrawText const& text)
{
    // Bringing the context up to date with a new Cairo target marks it changed even when
    // nothing that matters did, and every layout would then be shaped again; so it is done only
    // when the device scale changes.
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    if (!m_impl->synced || matrix.xx != m_impl->synced_xx || matrix.yy != m_impl->synced_yy || matrix.xy != 0 || matrix.yx != 0) {
        pango_cairo_update_context(cr, m_impl->context);
        m_impl->synced = true;
        m_impl->synced_xx = matrix.xx;
        m_impl->synced_yy = matrix.yy;
    }
    auto* layout = layout_for(text);
    cairo_save(cr);
    auto const& color = text.style.color;
    cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
    cairo_move_to(cr, text.origin.x, text.origin.y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}

}
