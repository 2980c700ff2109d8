#include "src/sync/noise/Primitives.h"

#include <algorithm>
#include <cstring>
#include <sodium.h>

namespace vexa::sync::noise {

namespace {

void nonce_bytes(uint8_t (&out)[crypto_aead_chacha20poly1305_ietf_NPUBBYTES], uint64_t nonce)
{
    std::memset(out, 0, sizeof out);
    for (int i = 0; i < 8; ++i)
        out[4 + i] = static_cast<uint8_t>(nonce >> (8 * i));
}

}

kaso::ErrorOr<void> ensure_sodium()
{
    static int const result = sodium_init();
    if (result < 0)
        return kaso::make_error("libsodium could not be initialised");
    return {};
}

void hash(std::span<uint8_t, hash_length> out, std::initializer_list<Bytes> parts)
{
    (void)ensure_sodium();
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, hash_length);
    for (auto part : parts)
        crypto_generichash_update(&state, part.data(), part.size());
    crypto_generichash_final(&state, out.data(), hash_length);
    sodium_memzero(&state, sizeof state);
}

void hmac(std::span<uint8_t, hash_length> out, Bytes key, std::initializer_list<Bytes> parts)
{
    // Noise's keys here are never longer than the block, so the key is only padded.
    uint8_t inner_pad[block_length] = {};
    uint8_t outer_pad[block_length] = {};
    std::memcpy(inner_pad, key.data(), std::min(key.size(), block_length));
    std::memcpy(outer_pad, key.data(), std::min(key.size(), block_length));
    for (std::size_t i = 0; i < block_length; ++i) {
        inner_pad[i] ^= 0x36;
        outer_pad[i] ^= 0x5c;
    }

    (void)ensure_sodium();
    crypto_generichash_state state;
    Digest inner;
    crypto_generichash_init(&state, nullptr, 0, hash_length);
    crypto_generichash_update(&state, inner_pad, block_length);
    for (auto part : parts)
        crypto_generichash_update(&state, part.data(), part.size());
    crypto_generichash_final(&state, inner.data(), hash_length);

    crypto_generichash_init(&state, nullptr, 0, hash_length);
    crypto_generichash_update(&state, outer_pad, block_length);
    crypto_generichash_update(&state, inner.data(), inner.size());
    crypto_generichash_final(&state, out.data(), hash_length);

    sodium_memzero(&state, sizeof state);
    sodium_memzero(inner.data(), inner.size());
    sodium_memzero(inner_pad, sizeof inner_pad);
    sodium_memzero(outer_pad, sizeof outer_pad);
}

void hkdf(Bytes chaining_key, Bytes input_key_material, std::span<uint8_t, hash_length> out1,
    std::span<uint8_t, hash_length> out2, std::span<uint8_t> out3)
{
    static uint8_t const one[] = { 0x01 };
    static uint8_t const two[] = { 0x02 };
    static uint8_t const three[] = { 0x03 };

    Digest temp_key;
    hmac(temp_key, chaining_key, { input_key_material });
    hmac(out1, temp_key, { one });
    hmac(out2, temp_key, { out1, two });
    if (!out3.empty()) {
        Digest third;
        hmac(third, temp_key, { out2, three });
        std::memcpy(out3.data(), third.data(), std::min(out3.size(), third.size()));
        sodium_memzero(third.data(), third.size());
    }
    sodium_memzero(temp_key.data(), temp_key.size());
}

kaso::ErrorOr<void> public_key_of(std::span<uint8_t, dh_length> out, Bytes secret_key)
{
    TRY(ensure_sodium());
    if (secret_key.size() != dh_length)
        return kaso::make_error("invalid private key length");
    if (crypto_scalarmult_base(out.data(), secret_key.data()) != 0)
        return kaso::make_error("invalid private key");
    return {};
}

kaso::ErrorOr<void> dh(std::span<uint8_t, dh_length> out, Bytes secret_key, Bytes public_key)
{
    TRY(ensure_sodium());
    if (secret_key.size() != dh_length || public_key.size() != dh_length)
        return kaso::make_error("invalid Diffie-Hellman key length");
    // libsodium answers -1 when the shared secret is all zero: the peer's key has small order.
    if (crypto_scalarmult(out.data(), secret_key.data(), public_key.data()) != 0) {
        sodium_memzero(out.data(), out.size());
        return kaso::make_error("Diffie-Hellman produced an all-zero shared secret");
    }
    return {};
}

void encrypt(std::span<uint8_t> out, Bytes key, uint64_t nonce, Bytes ad, Bytes plaintext)
{
    (void)ensure_sodium();
    uint8_t npub[crypto_aead_chacha20poly1305_ietf_NPUBBYTES];
    nonce_bytes(npub, nonce);
    unsigned long long written = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(out.data(), &written, plaintext.data(), plaintext.size(),
        ad.data(), ad.size(), nullptr, npub, key.data());
}

kaso::ErrorOr<void> decrypt(std::span<uint8_t> out, Bytes key, uint64_t nonce, Bytes ad, Bytes ciphertext)
{
    TRY(ensure_sodium());
    if (ciphertext.size() < tag_length)
        return kaso::make_error("ciphertext shorter than its tag");
    uint8_t npub[crypto_aead_chacha20poly1305_ietf_NPUBBYTES];
    nonce_bytes(npub, nonce);
    unsigned long long written = 0;
    uint8_t empty_output = 0;
    uint8_t* message = out.empty() ? &empty_output : out.data();
    if (crypto_aead_chacha20poly1305_ietf_decrypt(message, &written, nullptr, ciphertext.data(),
            ciphertext.size(), ad.data(), ad.size(), npub, key.data())
        != 0) {
        sodium_memzero(out.data(), out.size());
        return kaso::make_error("decryption failed");
    }
    return {};
}

}
