#pragma once

#include "automerge/Error.h"

#include <cstdint>
#include <span>
#include <vector>

namespace automerge::storage {

// Raw deflate (zlib windowBits -15), as the format stores large columns and compressed
// change chunks.
std::vector<uint8_t> deflate_raw(std::span<const uint8_t> bytes);

// Inflates raw deflate data, never producing more than `budget` bytes in total: the budget is
// shared by every inflate of one load and shrinks by what each produces, so a deflate bomb
// stops at the bound instead of exhausting memory. `what` names the data for errors.
ErrorOr<std::vector<uint8_t>> inflate_raw(std::span<const uint8_t> bytes, size_t& budget, std::string_view what);

}
