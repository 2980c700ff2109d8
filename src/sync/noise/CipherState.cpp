#include "src/sync/noise/CipherState.h"

#include <cstring>

namespace vexa::sync::noise {

void CipherState::initialize_key(std::span<uint8_t const> key)
{
    m_key = SecretBytes(key.first(std::min(key.size(), key_length)));
    m_nonce = 0;
}

kaso::ErrorOr<void> CipherState::check_nonce() const
{
    // 2^64 - 1 is reserved by Noise; reaching it means the session has to end.
    if (m_nonce == UINT64_MAX)
        return kaso::make_error("nonce exhausted");
    return {};
}

kaso::ErrorOr<void> CipherState::encrypt_into(std::span<uint8_t> out, Bytes ad, Bytes plaintext)
{
    if (!has_key()) {
        if (out.size() < plaintext.size())
            return kaso::make_error("output buffer too small");
        if (!plaintext.empty())
            std::memcpy(out.data(), plaintext.data(), plaintext.size());
        return {};
    }
    TRY(check_nonce());
    if (out.size() < plaintext.size() + tag_length)
        return kaso::make_error("output buffer too small");
    encrypt(out, m_key.span(), m_nonce, ad, plaintext);
    ++m_nonce;
    return {};
}

kaso::ErrorOr<void> CipherState::decrypt_into(std::span<uint8_t> out, Bytes ad, Bytes ciphertext)
{
    if (!has_key()) {
        if (out.size() < ciphertext.size())
            return kaso::make_error("output buffer too small");
        if (!ciphertext.empty())
            std::memcpy(out.data(), ciphertext.data(), ciphertext.size());
        return {};
    }
    TRY(check_nonce());
    if (ciphertext.size() < tag_length)
        return kaso::make_error("ciphertext shorter than its tag");
    TRY(decrypt(out.first(ciphertext.size() - tag_length), m_key.span(), m_nonce, ad, ciphertext));
    ++m_nonce;
    return {};
}

kaso::ErrorOr<std::vector<uint8_t>> CipherState::encrypt_with_ad(Bytes ad, Bytes plaintext)
{
    std::vector<uint8_t> out(plaintext.size() + (has_key() ? tag_length : 0));
    TRY(encrypt_into(out, ad, plaintext));
    return out;
}

kaso::ErrorOr<std::vector<uint8_t>> CipherState::decrypt_with_ad(Bytes ad, Bytes ciphertext)
{
    if (has_key() && ciphertext.size() < tag_length)
        return kaso::make_error("ciphertext shorter than its tag");
    std::vector<uint8_t> out(ciphertext.size() - (has_key() ? tag_length : 0));
    TRY(decrypt_into(out, ad, ciphertext));
    return out;
}

}
