#include "src/sync/noise/KeyPair.h"

#include <sodium.h>

namespace vexa::sync::noise {

kaso::ErrorOr<KeyPair> KeyPair::from_secret(std::span<uint8_t const> secret_key)
{
    if (secret_key.size() != dh_length)
        return kaso::make_error("invalid private key length");
    KeyPair pair;
    pair.secret_key = SecretBytes(secret_key);
    TRY(public_key_of(pair.public_key, pair.secret_key.span()));
    return pair;
}

kaso::ErrorOr<KeyPair> KeyPair::generate()
{
    TRY(ensure_sodium());
    SecretBytes secret(dh_length);
    randombytes_buf(secret.data(), secret.size());
    return from_secret(secret.span());
}

}
