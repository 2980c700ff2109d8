#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace automerge::storage {

// Appends the unsigned and signed LEB128 forms of a number; returns the bytes written.
size_t write_uleb(std::vector<uint8_t>& out, uint64_t value);
size_t write_sleb(std::vector<uint8_t>& out, int64_t value);

size_t uleb_size(uint64_t value);

// Appends a uLEB128 length and then the bytes, the form Reader::length_prefixed reads.
void write_length_prefixed(std::vector<uint8_t>& out, std::span<const uint8_t> bytes);

}
