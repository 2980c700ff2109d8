#include "kaso/ui/Text.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "kaso/ui/Scene.h"
#include "kaso/ui/TextMeasureCache.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/Theme.h"

namespace kaso::ui {

namespace {

// The renderer breaks inside a word that does not fit a line, so a very long word need not
// widen its box: beyond this many ems a word counts as breakable.
constexpr double unbreakable_word_ems = 12.0;
constexpr std::size_t measurement_cache_size = 8;

std::size_t code_points(std::string_view text)
{
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

float font_size(TextStyle const& style) { return std::isfinite(style.size) && style.size > 0 ? style.size : 14.0f; }

}

Text::Text(std::string text)
    : m_text(std::move(text))
{
}

std::optional<layout::Size<float>> Text::measure(layout::Size<std::optional<float>> known,
    layout::Size<layout::AvailableSpace> available, BuildContext& context)
{
    return measure_with(context.text, known, available);
}

layout::Size<float> Text::measure_with(TextRenderer& renderer, layout::Size<std::optional<float>> known,
    layout::Size<layout::AvailableSpace> available)
{
    Size natural = measured(renderer, 0);
    auto result = [](double width, double height) { return layout::Size<float> { float(width), float(height) }; };
    if (m_text.empty())
        return result(known.width.value_or(0), natural.height);

    std::optional<double> width;
    if (known.width) {
        width = *known.width;
    } else if (available.width.is_min_content()) {
        width = min_content_width(renderer);
    } else if (available.width.is_definite()) {
        double space = available.width.value();
        width = std::min(natural.width, std::max(min_content_width(renderer), space));
    }
    if (!width || *width >= natural.width)
        return result(width.value_or(natural.width), natural.height);
    if (!m_wrap)
        return result(*width, natural.height);
    return result(*width, measured(renderer, std::max(*width, 1.0)).height);
}

Size Text::measured(TextRenderer& renderer, double max_width)
{
    for (auto const& measurement : m_measurements)
        if (measurement.max_width == max_width)
            return measurement.size;
    TextStyle style = m_style;
    if (!m_wrap)
        style.max_lines = 0;
    Size size = TextMeasureCache::current().measure(renderer, m_text, style, max_width);
    if (m_measurements.size() >= measurement_cache_size)
        m_measurements.erase(m_measurements.begin() + 1); // the first is the natural size
    m_measurements.push_back({ max_width, size });
    return size;
}

double Text::min_content_width(TextRenderer& renderer)
{
    if (m_min_content_width)
        return *m_min_content_width;
    double width = 0;
    if (!m_wrap) {
        // One line: as wide as it is, unless it may end in an ellipsis anywhere.
        width = ellipsizes() ? 0 : measured(renderer, 0).width;
    } else {
        // The widest word, judged by measuring the two longest.
        std::vector<std::string_view> words;
        std::string_view rest = m_text;
        while (!rest.empty()) {
            auto start = rest.find_first_not_of(" \t\n\r");
            if (start == std::string_view::npos)
                break;
            rest.remove_prefix(start);
            auto end = std::min(rest.find_first_of(" \t\n\r"), rest.size());
            words.push_back(rest.substr(0, end));
            rest.remove_prefix(end);
        }
        std::ranges::stable_sort(words, [](auto a, auto b) { return code_points(a) > code_points(b); });
        TextStyle style = m_style;
        style.max_lines = 0;
        for (std::size_t i = 0; i < words.size() && i < 2; ++i)
            width = std::max(width, TextMeasureCache::current().measure(renderer, words[i], style, 0).width);
        width = std::min(width, unbreakable_word_ems * font_size(m_style));
    }
    m_min_content_width = width;
    return width;
}

void Text::draw(Scene& scene, DrawContext& context)
{
    if (m_text.empty())
        return;
    TextStyle style = m_style;
    style.color = m_color.value_or(context.theme.text);
    double max_width = 0;
    if (m_wrap || ellipsizes()) {
        if (m_rect.width() <= 0)
            return;
        // Whole-pixel rounding may take up to a pixel off the measured width; wrapping at the
        // rounded width could push the last word onto a line that was never measured.
        max_width = m_rect.width() + 1.0;
    }
    if (!m_wrap)
        style.max_lines = ellipsizes() ? 1 : 0;
    scene.draw_text(m_text, std::move(style), { m_rect.x0, m_rect.y0 }, max_width);
}

}
