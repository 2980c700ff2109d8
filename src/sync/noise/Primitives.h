#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "kaso/platform/Error.h"

// The functions of the Noise suite "25519_ChaChaPoly_BLAKE2b" on libsodium: X25519, BLAKE2b-512,
// its HMAC and the Noise HKDF, and ChaCha20-Poly1305 (IETF) with Noise's nonce layout.
namespace vexa::sync::noise {

constexpr std::size_t dh_length = 32;     // X25519 keys and shared secrets
constexpr std::size_t hash_length = 64;   // BLAKE2b-512
constexpr std::size_t block_length = 128; // BLAKE2b's block, the HMAC pad width
constexpr std::size_t key_length = 32;    // ChaCha20-Poly1305 key
constexpr std::size_t tag_length = 16;    // Poly1305 tag

using Digest = std::array<uint8_t, hash_length>;
using Bytes = std::span<uint8_t const>;

// Makes libsodium usable; every function below calls it first. Fails only when libsodium cannot
// initialise itself.
kaso::ErrorOr<void> ensure_sodium();

// BLAKE2b-512 over the concatenation of `parts`.
void hash(std::span<uint8_t, hash_length> out, std::initializer_list<Bytes> parts);

// HMAC (RFC 2104) over BLAKE2b-512, with a key of at most 128 bytes.
void hmac(std::span<uint8_t, hash_length> out, Bytes key, std::initializer_list<Bytes> parts);

// HKDF as Noise defines it: two or three outputs from a chaining key and input key material.
// `out3` may be empty.
void hkdf(Bytes chaining_key, Bytes input_key_material, std::span<uint8_t, hash_length> out1,
    std::span<uint8_t, hash_length> out2, std::span<uint8_t> out3 = {});

// X25519 public key of a private key (clamped inside the operation).
kaso::ErrorOr<void> public_key_of(std::span<uint8_t, dh_length> out, Bytes secret_key);

// X25519 of a private and a public key. An all-zero result (a low-order public key) is refused.
kaso::ErrorOr<void> dh(std::span<uint8_t, dh_length> out, Bytes secret_key, Bytes public_key);

// ChaCha20-Poly1305 with the 96-bit nonce 4 zero bytes ‖ 64-bit little-endian counter.
// `out` holds plaintext length + 16 bytes.
void encrypt(std::span<uint8_t> out, Bytes key, uint64_t nonce, Bytes ad, Bytes plaintext);

// The inverse: `out` holds ciphertext length - 16 bytes. Fails when the tag does not verify.
kaso::ErrorOr<void> decrypt(std::span<uint8_t> out, Bytes key, uint64_t nonce, Bytes ad, Bytes ciphertext);

}
