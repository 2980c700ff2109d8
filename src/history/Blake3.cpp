#include "src/history/Blake3.h"

#include <algorithm>
#include <cstring>

namespace vexa {

namespace {

constexpr std::array<uint32_t, 8> initial_value = {
    0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A, 0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19,
};
constexpr std::array<uint8_t, 16> message_permutation = { 2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8 };

constexpr size_t block_length = 64;
constexpr size_t chunk_length = 1024;

constexpr uint32_t ChunkStart = 1 << 0;
constexpr uint32_t ChunkEnd = 1 << 1;
constexpr uint32_t Parent = 1 << 2;
constexpr uint32_t Root = 1 << 3;

using Words8 = std::array<uint32_t, 8>;
using Words16 = std::array<uint32_t, 16>;

constexpr uint32_t rotate_right(uint32_t value, int bits) { return (value >> bits) | (value << (32 - bits)); }

void mix(Words16& state, size_t a, size_t b, size_t c, size_t d, uint32_t x, uint32_t y)
{
    state[a] = state[a] + state[b] + x;
    state[d] = rotate_right(state[d] ^ state[a], 16);
    state[c] = state[c] + state[d];
    state[b] = rotate_right(state[b] ^ state[c], 12);
    state[a] = state[a] + state[b] + y;
    state[d] = rotate_right(state[d] ^ state[a], 8);
    state[c] = state[c] + state[d];
    state[b] = rotate_right(state[b] ^ state[c], 7);
}

void round_function(Words16& state, Words16 const& m)
{
    mix(state, 0, 4, 8, 12, m[0], m[1]);
    mix(state, 1, 5, 9, 13, m[2], m[3]);
    mix(state, 2, 6, 10, 14, m[4], m[5]);
    mix(state, 3, 7, 11, 15, m[6], m[7]);
    mix(state, 0, 5, 10, 15, m[8], m[9]);
    mix(state, 1, 6, 11, 12, m[10], m[11]);
    mix(state, 2, 7, 8, 13, m[12], m[13]);
    mix(state, 3, 4, 9, 14, m[14], m[15]);
}

Words16 compress(Words8 const& chaining_value, Words16 const& block_words, uint64_t counter, uint32_t length, uint32_t flags)
{
    Words16 state = {
        chaining_value[0], chaining_value[1], chaining_value[2], chaining_value[3],
        chaining_value[4], chaining_value[5], chaining_value[6], chaining_value[7],
        initial_value[0], initial_value[1], initial_value[2], initial_value[3],
        static_cast<uint32_t>(counter), static_cast<uint32_t>(counter >> 32), length, flags,
    };
    Words16 message = block_words;
    for (int round = 0; round < 7; ++round) {
        round_function(state, message);
        if (round == 6)
            break;
        Words16 permuted;
        for (size_t i = 0; i < 16; ++i)
            permuted[i] = message[message_permutation[i]];
        message = permuted;
    }
    for (size_t i = 0; i < 8; ++i) {
        state[i] ^= state[i + 8];
        state[i + 8] ^= chaining_value[i];
    }
    return state;
}

Words16 words_of(std::array<uint8_t, 64> const& block)
{
    Words16 words;
    for (size_t i = 0; i < 16; ++i)
        words[i] = static_cast<uint32_t>(block[4 * i]) | static_cast<uint32_t>(block[4 * i + 1]) << 8
            | static_cast<uint32_t>(block[4 * i + 2]) << 16 | static_cast<uint32_t>(block[4 * i + 3]) << 24;
    return words;
}

Words8 first_eight(Words16 const& words)
{
    Words8 out;
    std::copy_n(words.begin(), 8, out.begin());
    return out;
}

// What the last compression of a node takes: kept apart so the root can add its flag.
struct Output {
    Words8 chaining_value;
    Words16 block_words;
    uint64_t counter;
    uint32_t length;
    uint32_t flags;

    Words8 node_chaining_value() const { return first_eight(compress(chaining_value, block_words, counter, length, flags)); }
};

Output parent_output(Words8 const& left, Words8 const& right)
{
    Words16 block;
    std::copy(left.begin(), left.end(), block.begin());
    std::copy(right.begin(), right.end(), block.begin() + 8);
    return Output { initial_value, block, 0, block_length, Parent };
}

}

Blake3::Blake3() { m_chunk.chaining_value = initial_value; }

void Blake3::push_chunk_chaining_value(std::array<uint32_t, 8> chaining_value, uint64_t total_chunks)
{
    // Each trailing zero bit of the chunk count closes one subtree.
    while ((total_chunks & 1) == 0) {
        chaining_value = parent_output(m_stack[--m_stack_length], chaining_value).node_chaining_value();
        total_chunks >>= 1;
    }
    m_stack[m_stack_length++] = chaining_value;
}

void Blake3::update(std::span<uint8_t const> bytes)
{
    while (!bytes.empty()) {
        if (m_chunk.length() == chunk_length) {
            // The chunk is full and more input follows, so it is not the root.
            auto words = words_of(m_chunk.block);
            uint32_t flags = ChunkEnd | (m_chunk.blocks_compressed == 0 ? ChunkStart : 0);
            Output output { m_chunk.chaining_value, words, m_chunk.chunk_counter, m_chunk.block_length, flags };
            auto total = m_chunk.chunk_counter + 1;
            push_chunk_chaining_value(output.node_chaining_value(), total);
            m_chunk = ChunkState {};
            m_chunk.chaining_value = initial_value;
            m_chunk.chunk_counter = total;
        }
        if (m_chunk.block_length == block_length) {
            // A full block with more input after it: compress it now.
            uint32_t flags = m_chunk.blocks_compressed == 0 ? ChunkStart : 0;
            m_chunk.chaining_value = first_eight(compress(m_chunk.chaining_value, words_of(m_chunk.block), m_chunk.chunk_counter, block_length, flags));
            ++m_chunk.blocks_compressed;
            m_chunk.block.fill(0);
            m_chunk.block_length = 0;
        }
        auto take = std::min(block_length - m_chunk.block_length, bytes.size());
        std::memcpy(m_chunk.block.data() + m_chunk.block_length, bytes.data(), take);
        m_chunk.block_length = static_cast<uint8_t>(m_chunk.block_length + take);
        bytes = bytes.subspan(take);
    }
}

std::array<uint8_t, Blake3::digest_length> Blake3::finalize() const
{
    uint32_t chunk_flags = ChunkEnd | (m_chunk.blocks_compressed == 0 ? ChunkStart : 0);
    Output output { m_chunk.chaining_value, words_of(m_chunk.block), m_chunk.chunk_counter, m_chunk.block_length, chunk_flags };
    for (size_t remaining = m_stack_length; remaining > 0; --remaining)
        output = parent_output(m_stack[remaining - 1], output.node_chaining_value());

    auto words = compress(output.chaining_value, output.block_words, 0, output.length, output.flags | Root);
    std::array<uint8_t, digest_length> digest;
    for (size_t i = 0; i < 8; ++i)
        for (size_t byte = 0; byte < 4; ++byte)
            digest[4 * i + byte] = static_cast<uint8_t>(words[i] >> (8 * byte));
    return digest;
}

std::string blake3_hex(std::string_view text)
{
    Blake3 hasher;
    hasher.update(text);
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (auto byte : hasher.finalize()) {
        out += digits[byte >> 4];
        out += digits[byte & 0xf];
    }
    return out;
}

}
