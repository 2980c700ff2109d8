#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "kaso/platform/Error.h"
#include "kaso/ui/Image.h"

namespace vexa::test {

// How two pictures of the same size differ: the largest difference of one colour channel and
// how many pixels differ by more than the tolerance.
struct PixelDifference {
    int largest { 0 };
    std::size_t pixels_beyond { 0 };
};

// A channel may differ by this much (of 255) between a reference and a new rendering: enough
// for antialiasing noise, far too little for a moved edge or a changed colour.
inline constexpr int pixel_tolerance = 24;

kaso::ErrorOr<kaso::ui::Image> read_png(std::filesystem::path const& path);
// Fails when the sizes differ.
kaso::ErrorOr<PixelDifference> compare_pixels(kaso::ui::Image const& a, kaso::ui::Image const& b, int tolerance = pixel_tolerance);

}
