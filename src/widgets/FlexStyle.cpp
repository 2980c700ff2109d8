#include "src/widgets/FlexStyle.h"

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

double linear_channel(float channel)
{
    double value = std::round(std::clamp(double(channel), 0.0, 1.0) * 255.0);
    double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(kaso::ui::Color color)
{
    return 0.2126 * linear_channel(color.r) + 0.7152 * linear_channel(color.g) + 0.0722 * linear_channel(color.b);
}

}

double contrast_ratio(kaso::ui::Color a, kaso::ui::Color b)
{
    double la = luminance(a);
    double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

kaso::ui::Color contrast_text_color(kaso::ui::Color color)
{
    kaso::ui::Color white { 1, 1, 1, 1 };
    kaso::ui::Color black { 0, 0, 0, 1 };
    return contrast_ratio(white, color) >= contrast_ratio(black, color) ? white : black;
}

}
