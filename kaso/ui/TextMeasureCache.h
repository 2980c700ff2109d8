#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "kaso/ui/Geometry.h"
#include "kaso/ui/TextStyle.h"

namespace kaso::ui {

class TextRenderer;

// Sizes of texts already measured, so a tree rebuilt with the same labels does not lay them out
// with Pango again. Keyed by the text, the font family it resolves to, the style's size, weight
// and line settings and the wrap width; dropped whole when it grows past its bound. Renderers
// of one process share the font configuration, so one cache per UI thread serves them all.
class TextMeasureCache {
public:
    static constexpr std::size_t max_entries = 4096;

    static TextMeasureCache& current();

    // What `renderer.measure_style(text, style, max_width)` answers.
    Size measure(TextRenderer& renderer, std::string_view text, TextStyle const& style, double max_width);

    std::size_t size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }

private:
    struct Key {
        std::string text;
        std::string family;
        float size;
        FontWeight weight;
        TextAlign align;
        int max_lines;
        float line_height;
        double max_width;
        bool operator==(Key const&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(Key const& key) const;
    };
    std::unordered_map<Key, Size, KeyHash> m_entries;
};

}
