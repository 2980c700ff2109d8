#pragma once

#include <array>

#include "kaso/platform/Error.h"
#include "src/sync/SecretBytes.h"
#include "src/sync/noise/Primitives.h"

namespace vexa::sync::noise {

using PublicKey = std::array<uint8_t, dh_length>;

// An X25519 key pair; the private half is wiped when the pair goes away.
struct KeyPair {
    SecretBytes secret_key;
    PublicKey public_key {};

    // The pair of a given 32-byte private key.
    static kaso::ErrorOr<KeyPair> from_secret(std::span<uint8_t const> secret_key);
    // A fresh random pair.
    static kaso::ErrorOr<KeyPair> generate();
};

}
