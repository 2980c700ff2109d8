#include "src/sync/noise/SymmetricState.h"

#include <cstring>

namespace vexa::sync::noise {

SymmetricState::SymmetricState(std::string_view protocol_name)
{
    // A name that fits the hash is used zero-padded, a longer one is hashed.
    if (protocol_name.size() <= hash_length) {
        std::memcpy(m_hash.data(), protocol_name.data(), protocol_name.size());
    } else {
        auto const* bytes = reinterpret_cast<uint8_t const*>(protocol_name.data());
        hash(m_hash, { Bytes(bytes, protocol_name.size()) });
    }
    m_chaining_key = m_hash;
}

SymmetricState::~SymmetricState()
{
    wipe_bytes(m_chaining_key);
    wipe_bytes(m_hash);
}

void SymmetricState::mix_key(Bytes input_key_material)
{
    Digest next_chaining_key;
    Digest temp_key;
    hkdf(m_chaining_key, input_key_material, next_chaining_key, temp_key);
    m_chaining_key = next_chaining_key;
    m_cipher.initialize_key(std::span(temp_key).first(key_length));
    wipe_bytes(next_chaining_key);
    wipe_bytes(temp_key);
}

void SymmetricState::mix_hash(Bytes data)
{
    Digest next;
    hash(next, { m_hash, data });
    m_hash = next;
}

kaso::ErrorOr<std::vector<uint8_t>> SymmetricState::encrypt_and_hash(Bytes plaintext)
{
    auto ciphertext = TRY(m_cipher.encrypt_with_ad(m_hash, plaintext));
    mix_hash(ciphertext);
    return ciphertext;
}

kaso::ErrorOr<std::vector<uint8_t>> SymmetricState::decrypt_and_hash(Bytes ciphertext)
{
    auto plaintext = TRY(m_cipher.decrypt_with_ad(m_hash, ciphertext));
    mix_hash(ciphertext);
    return plaintext;
}

std::pair<CipherState, CipherState> SymmetricState::split()
{
    Digest first_key;
    Digest second_key;
    hkdf(m_chaining_key, {}, first_key, second_key);
    std::pair<CipherState, CipherState> ciphers;
    ciphers.first.initialize_key(std::span(first_key).first(key_length));
    ciphers.second.initialize_key(std::span(second_key).first(key_length));
    wipe_bytes(first_key);
    wipe_bytes(second_key);
    return ciphers;
}

}
