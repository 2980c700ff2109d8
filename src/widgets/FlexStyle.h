#pragma once

#include <cstdint>
#include <optional>

#include "kaso/ui/Color.h"

namespace vexa {

// The size of a box along one axis. The order is the tag order.
struct Length {
    enum class Kind : uint8_t {
        Auto,
        Fill,    // 100 percent of the parent
        Px,
        Percent, // 1.0 is 100 percent
    };
    Kind kind { Kind::Auto };
    float value { 0 };

    static constexpr Length automatic() { return {}; }
    static constexpr Length fill() { return { Kind::Fill, 1.0f }; }
    static constexpr Length px(float pixels) { return { Kind::Px, pixels }; }
    static constexpr Length percent(float fraction) { return { Kind::Percent, fraction }; }
    bool operator==(Length const&) const = default;
};

enum class Direction : uint8_t {
    Row,
    Column,
};

// Cross-axis alignment of a box's children.
enum class Align : uint8_t {
    Start,
    Center,
    End,
    Stretch,
};

// Main-axis distribution of a box's children.
enum class Justify : uint8_t {
    Start,
    Center,
    End,
    SpaceBetween,
};

struct Border {
    double width { 1 };
    kaso::ui::Color color;
    bool operator==(Border const&) const = default;
};

// What a box paints behind its children.
struct BoxStyle {
    std::optional<Border> border;
    double radius { 0 };
    std::optional<kaso::ui::Color> fill;

    static BoxStyle filled(kaso::ui::Color color, double radius = 0)
    {
        BoxStyle style;
        style.fill = color;
        style.radius = radius;
        return style;
    }
    bool operator==(BoxStyle const&) const = default;
};

// Opaque white or opaque black, whichever reads better on `color` (white on a tie).
kaso::ui::Color contrast_text_color(kaso::ui::Color color);
// The WCAG contrast ratio of two colours, from 1 to 21.
double contrast_ratio(kaso::ui::Color a, kaso::ui::Color b);

}
