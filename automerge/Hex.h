#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace automerge {

// Lower-case hexadecimal of bytes.
std::string hex_encode(std::span<const uint8_t> bytes);
// The bytes of an even-length hexadecimal text; nothing when a character is not a hex digit.
std::optional<std::vector<uint8_t>> hex_decode(std::string_view hex);

}
