#pragma once

#include <cstdint>

namespace kaso::ui {

// A straight (not premultiplied) RGBA colour, each channel 0..1.
struct Color {
    float r { 0 };
    float g { 0 };
    float b { 0 };
    float a { 1 };

    static constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) { return rgba(r, g, b, 255); }
    static constexpr Color rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
    {
        return Color { r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f };
    }
    constexpr Color with_alpha(float alpha) const { return Color { r, g, b, alpha }; }

    bool operator==(Color const&) const = default;
};

}
