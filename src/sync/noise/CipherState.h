#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "kaso/platform/Error.h"
#include "src/sync/SecretBytes.h"
#include "src/sync/noise/Primitives.h"

namespace vexa::sync::noise {

// One direction of a Noise cipher: a key, once one has been mixed in, and the nonce counter that
// every encryption or decryption advances. Without a key, data passes through unchanged.
class CipherState {
public:
    CipherState() = default;

    void initialize_key(std::span<uint8_t const> key);
    bool has_key() const { return !m_key.empty(); }
    uint64_t nonce() const { return m_nonce; }

    kaso::ErrorOr<std::vector<uint8_t>> encrypt_with_ad(Bytes ad, Bytes plaintext);
    kaso::ErrorOr<std::vector<uint8_t>> decrypt_with_ad(Bytes ad, Bytes ciphertext);

    // Same as above, writing into `out` (plaintext + 16 bytes, or ciphertext - 16 bytes).
    kaso::ErrorOr<void> encrypt_into(std::span<uint8_t> out, Bytes ad, Bytes plaintext);
    kaso::ErrorOr<void> decrypt_into(std::span<uint8_t> out, Bytes ad, Bytes ciphertext);

private:
    kaso::ErrorOr<void> check_nonce() const;

    SecretBytes m_key;
    uint64_t m_nonce { 0 };
};

}
