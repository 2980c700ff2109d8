#include "automerge/storage/Sha256.h"

#include <cstring>
#include <sodium.h>

#if defined(__x86_64__)
#    include <cpuid.h>
#    include <immintrin.h>
#endif

namespace automerge::storage {

void sha256_portable(std::span<const uint8_t> first, std::span<const uint8_t> second, uint8_t out[32])
{
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    crypto_hash_sha256_update(&state, first.data(), first.size());
    crypto_hash_sha256_update(&state, second.data(), second.size());
    crypto_hash_sha256_final(&state, out);
}

#if defined(__x86_64__)

namespace {

alignas(16) constexpr uint32_t round_constants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

// The SHA extensions' round structure: four rounds per 128-bit group of the schedule, the
// schedule kept in a ring of four groups.
__attribute__((target("sha,sse4.1,ssse3"))) void compress_blocks(uint32_t state[8], uint8_t const* data, size_t blocks)
{
    __m128i const byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<__m128i const*>(&state[0]));
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<__m128i const*>(&state[4]));
    tmp = _mm_shuffle_epi32(tmp, 0xb1);          // CDAB
    state1 = _mm_shuffle_epi32(state1, 0x1b);    // EFGH
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8); // ABEF
    state1 = _mm_blend_epi16(state1, tmp, 0xf0);      // CDGH

    while (blocks--) {
        __m128i const abef = state0;
        __m128i const cdgh = state1;
        __m128i w[4];
        // Unrolled, the ring indices and the conditions below become constants.
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            if (g < 4)
                w[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<__m128i const*>(data + 16 * g)), byte_swap);
            __m128i message = _mm_add_epi32(w[g & 3], _mm_load_si128(reinterpret_cast<__m128i const*>(&round_constants[4 * g])));
            state1 = _mm_sha256rnds2_epu32(state1, state0, message);
            if (g >= 3 && g <= 14) {
                __m128i carry = _mm_alignr_epi8(w[g & 3], w[(g - 1) & 3], 4);
                w[(g + 1) & 3] = _mm_sha256msg2_epu32(_mm_add_epi32(w[(g + 1) & 3], carry), w[g & 3]);
            }
            message = _mm_shuffle_epi32(message, 0x0e);
            state0 = _mm_sha256rnds2_epu32(state0, state1, message);
            if (g >= 1 && g <= 12)
                w[(g - 1) & 3] = _mm_sha256msg1_epu32(w[(g - 1) & 3], w[g & 3]);
        }
        state0 = _mm_add_epi32(state0, abef);
        state1 = _mm_add_epi32(state1, cdgh);
        data += 64;
    }

    tmp = _mm_shuffle_epi32(state0, 0x1b);       // FEBA
    state1 = _mm_shuffle_epi32(state1, 0xb1);    // DCHG
    state0 = _mm_blend_epi16(tmp, state1, 0xf0); // DCBA
    state1 = _mm_alignr_epi8(state1, tmp, 8);    // HGFE
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), state1);
}

bool has_sha_extensions()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        return false;
    bool sha = ebx & (1u << 29);
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    bool sse41 = ecx & (1u << 19);
    bool ssse3 = ecx & (1u << 9);
    return sha && sse41 && ssse3;
}

void sha256_accelerated(std::span<const uint8_t> first, std::span<const uint8_t> second, uint8_t out[32])
{
    uint32_t state[8] = { 0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19 };
    uint8_t block[64];
    size_t filled = 0;
    uint64_t total = first.size() + second.size();
    for (auto part : { first, second }) {
        uint8_t const* data = part.data();
        size_t size = part.size();
        if (size == 0)
            continue;
        if (filled > 0) {
            size_t take = std::min(size, 64 - filled);
            std::memcpy(block + filled, data, take);
            filled += take;
            data += take;
            size -= take;
            if (filled == 64) {
                compress_blocks(state, block, 1);
                filled = 0;
            }
        }
        if (size >= 64) {
            compress_blocks(state, data, size / 64);
            data += size / 64 * 64;
            size %= 64;
        }
        if (size > 0) {
            std::memcpy(block, data, size);
            filled = size;
        }
    }
    block[filled++] = 0x80;
    if (filled > 56) {
        std::memset(block + filled, 0, 64 - filled);
        compress_blocks(state, block, 1);
        filled = 0;
    }
    std::memset(block + filled, 0, 56 - filled);
    uint64_t bits = total * 8;
    for (int i = 0; i < 8; ++i)
        block[56 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    compress_blocks(state, block, 1);
    for (int i = 0; i < 8; ++i) {
        out[4 * i] = static_cast<uint8_t>(state[i] >> 24);
        out[4 * i + 1] = static_cast<uint8_t>(state[i] >> 16);
        out[4 * i + 2] = static_cast<uint8_t>(state[i] >> 8);
        out[4 * i + 3] = static_cast<uint8_t>(state[i]);
    }
}

}

void sha256_two_parts(std::span<const uint8_t> first, std::span<const uint8_t> second, uint8_t out[32])
{
    static bool const accelerated = has_sha_extensions();
    if (accelerated)
        sha256_accelerated(first, second, out);
    else
        sha256_portable(first, second, out);
}

#else

void sha256_two_parts(std::span<const uint8_t> first, std::span<const uint8_t> second, uint8_t out[32])
{
    sha256_portable(first, second, out);
}

#endif

}
