#pragma once

#include <cstddef>
#include <span>

#include "kaso/platform/Error.h"
#include "kaso/ui/Image.h"

namespace kaso::ui {

// The largest picture decoded, in pixels: bigger ones are refused before any pixel memory is
// taken.
inline constexpr std::size_t max_decoded_pixels = 8192u * 8192u;

// Decodes JPEG, PNG or WebP bytes (told apart by their first bytes) into a premultiplied
// ARGB32 image.
ErrorOr<Image> decode_image(std::span<std::byte const> bytes);

}
