#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "kaso/platform/Error.h"

namespace vexa::sync {

// gzip at level 6 with no name, comment or extra field and modification time 0.
kaso::ErrorOr<std::vector<uint8_t>> gzip_compress(std::span<uint8_t const> data);

// Inflates a gzip member, producing at most `limit` bytes: output past the limit stops the
// inflate at once (the result then holds `limit + 1` bytes so the caller can tell), so a bomb
// never costs more than the bound.
kaso::ErrorOr<std::vector<uint8_t>> gzip_decompress_bounded(std::span<uint8_t const> data, std::size_t limit);

}
