#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vexa {

// BLAKE3 in its plain hashing mode (no key, no key derivation), written portably: one chunk
// state fed 64-byte blocks, and a stack of chaining values that merges subtrees as whole chunks
// complete. The history file is named by this hash of the owner id.
class Blake3 {
public:
    static constexpr size_t digest_length = 32;

    Blake3();

    void update(std::span<uint8_t const> bytes);
    void update(std::string_view text) { update(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size())); }

    // The 32-byte root hash of everything given so far; the hasher may keep taking input.
    std::array<uint8_t, digest_length> finalize() const;

private:
    struct ChunkState {
        std::array<uint32_t, 8> chaining_value {};
        uint64_t chunk_counter { 0 };
        std::array<uint8_t, 64> block {};
        uint8_t block_length { 0 };
        uint8_t blocks_compressed { 0 };

        size_t length() const { return 64u * blocks_compressed + block_length; }
    };

    void push_chunk_chaining_value(std::array<uint32_t, 8> chaining_value, uint64_t total_chunks);

    ChunkState m_chunk;
    // Chaining values of completed subtrees, largest first; at most 54 for inputs below 2^64.
    std::array<std::array<uint32_t, 8>, 54> m_stack {};
    uint8_t m_stack_length { 0 };
};

// The hash of `text` as 64 lowercase hexadecimal digits.
std::string blake3_hex(std::string_view text);

}
