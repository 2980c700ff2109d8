#pragma once

#include <cstdint>
#include <span>

namespace automerge::storage {

// SHA-256 of two byte runs one after the other (a chunk's type-and-length prefix, then its
// body). Uses the CPU's SHA extensions where present and libsodium elsewhere.
void sha256_two_parts(std::span<const uint8_t> first, std::span<const uint8_t> second, uint8_t out[32]);

// Always libsodium; for tests that compare the two.
void sha256_portable(std::span<const uint8_t> first, std::span<const uint8_t> second, uint8_t out[32]);

}
