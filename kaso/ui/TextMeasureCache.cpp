#include "kaso/ui/TextMeasureCache.h"

#include <functional>

#include "kaso/ui/TextRenderer.h"

namespace kaso::ui {

TextMeasureCache& TextMeasureCache::current()
{
    thread_local TextMeasureCache cache;
    return cache;
}

std::size_t TextMeasureCache::KeyHash::operator()(Key const& key) const
{
    std::size_t hash = std::hash<std::string> {}(key.text);
    auto mix = [&](std::size_t value) { hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2); };
    mix(std::hash<std::string> {}(key.family));
    mix(std::hash<float> {}(key.size));
    mix(std::size_t(key.weight));
    mix(std::size_t(key.align));
    mix(std::hash<int> {}(key.max_lines));
    mix(std::hash<float> {}(key.line_height));
    mix(std::hash<double> {}(key.max_width));
    return hash;
}

Size TextMeasureCache::measure(TextRenderer& renderer, std::string_view text, TextStyle const& style, double max_width)
{
    Key key { std::string(text), style.family.empty() ? renderer.default_family() : style.family, style.size, style.weight, style.align, style.max_lines, style.line_height, max_width };
    if (auto found = m_entries.find(key); found != m_entries.end())
        return found->second;
    Size size = renderer.measure_style(text, style, max_width);
    if (m_entries.size() >= max_entries)
        m_entries.clear();
    m_entries.emplace(std::move(key), size);
    return size;
}

}
