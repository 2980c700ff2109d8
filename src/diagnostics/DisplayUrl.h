#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vexa {

// An image or stream address shortened for printing: "<none>" for an empty one; the query part
// dropped; more than 72 bytes cut to 72 and "…" (or, when byte 72 falls inside a character, the
// whole text and "…").
std::string display_url(std::string_view address);

// The picture format its first bytes announce: "JPEG", "PNG", "WEBP", "GIF" or "OTHER".
std::string_view image_format_name(std::span<uint8_t const> bytes);

}
