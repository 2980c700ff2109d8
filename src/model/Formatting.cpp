#include "src/model/Formatting.h"

#include <algorithm>
#include <cmath>

#include "kaso/ui/format/Format.h"
#include "src/model/Text.h"

namespace vexa {

namespace {

uint32_t fnv1a_32(std::string_view bytes)
{
    uint32_t hash = 0x811C9DC5u;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x01000193u;
    }
    return hash;
}

float channel_byte(double value)
{
    // Round half away from zero, then clamp to a byte, then back to 0..1.
    auto rounded = std::round(value * 255.0);
    if (std::isnan(rounded))
        rounded = 0.0;
    rounded = std::clamp(rounded, 0.0, 255.0);
    return static_cast<float>(rounded / 255.0);
}

// The standard HSL to RGB conversion; hue in degrees, saturation and lightness in 0..1.
kaso::ui::Color from_hsl(double hue, double saturation, double lightness)
{
    auto chroma = (1.0 - std::fabs(2.0 * lightness - 1.0)) * saturation;
    auto sector = hue / 60.0;
    auto x = chroma * (1.0 - std::fabs(std::fmod(sector, 2.0) - 1.0));
    double r = 0.0, g = 0.0, b = 0.0;
    if (sector < 1.0) {
        r = chroma, g = x;
    } else if (sector < 2.0) {
        r = x, g = chroma;
    } else if (sector < 3.0) {
        g = chroma, b = x;
    } else if (sector < 4.0) {
        g = x, b = chroma;
    } else if (sector < 5.0) {
        r = x, b = chroma;
    } else {
        r = chroma, b = x;
    }
    auto m = lightness - chroma / 2.0;
    return kaso::ui::Color { channel_byte(r + m), channel_byte(g + m), channel_byte(b + m), 1.0f };
}

}

std::string format_view_count(uint64_t count)
{
    return kaso::ui::format::compact_count(count) + " views";
}

std::string format_timecode(double seconds)
{
    return kaso::ui::format::timecode(seconds < 0.0 ? 0.0 : seconds);
}

std::string normalized_name(std::string_view name)
{
    return text::lowercase(text::trim(name));
}

std::string initials_of(std::string_view name)
{
    auto words = text::split_words(name);
    if (words.empty())
        return "?";
    std::string initials;
    for (size_t i = 0; i < words.size() && i < 2; ++i) {
        auto first = text::first_code_point(words[i]);
        if (first.size() == 1 && first[0] >= 'a' && first[0] <= 'z')
            first[0] = static_cast<char>(first[0] - 'a' + 'A');
        initials += first;
    }
    return initials;
}

std::array<kaso::ui::Color, 2> avatar_colors(std::string_view seed)
{
    auto hue = static_cast<double>(fnv1a_32(seed) % 360u);
    return {
        from_hsl(hue, 0.55, 0.42),
        from_hsl(std::fmod(hue + 36.0, 360.0), 0.50, 0.28),
    };
}

}
