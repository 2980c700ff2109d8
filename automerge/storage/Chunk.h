#pragma once

#include "automerge/ChangeHash.h"
#include "automerge/Error.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace automerge::storage {

// One chunk of an Automerge file:
//
//   magic 85 6f 4a 83 | checksum (4 bytes) | type (1 byte) | body length (uLEB128) | body
//
// The checksum is the first four bytes of the SHA-256 over (type, length, body); for a change
// chunk the whole SHA-256 is the change hash. A file is a run of chunks.
enum class ChunkType : uint8_t {
    Document = 0,
    Change = 1,
    CompressedChange = 2,
};

struct Chunk {
    ChunkType type { ChunkType::Document };
    std::span<const uint8_t> body;
    ChangeHash hash;   // SHA-256 over type, length and body (not checked for compressed changes)
    std::array<uint8_t, 4> checksum {};
    size_t size { 0 }; // bytes of the whole chunk, header included
};

// Parses the chunk at the start of `bytes`, checking the magic bytes, the type, that the body
// fits and the checksum. A compressed change carries the checksum of its inflated form, which
// the change loader checks once it has inflated the body.
ErrorOr<Chunk> parse_chunk(std::span<const uint8_t> bytes);

// The whole chunk for a body: header, checksum, type, length, body. `hash` receives the SHA-256.
std::vector<uint8_t> write_chunk(ChunkType type, std::span<const uint8_t> body, ChangeHash* hash = nullptr);

// SHA-256 of (type, uLEB128 length, body) without building the chunk.
ChangeHash chunk_hash(ChunkType type, std::span<const uint8_t> body);

}
