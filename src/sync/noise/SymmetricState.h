#pragma once

#include <string_view>
#include <utility>

#include "src/sync/noise/CipherState.h"

namespace vexa::sync::noise {

// The chaining key, the handshake hash and the cipher that a Noise handshake evolves.
class SymmetricState {
public:
    explicit SymmetricState(std::string_view protocol_name);
    ~SymmetricState();
    SymmetricState(SymmetricState const&) = delete;
    SymmetricState& operator=(SymmetricState const&) = delete;

    void mix_key(Bytes input_key_material);
    void mix_hash(Bytes data);
    kaso::ErrorOr<std::vector<uint8_t>> encrypt_and_hash(Bytes plaintext);
    kaso::ErrorOr<std::vector<uint8_t>> decrypt_and_hash(Bytes ciphertext);
    bool has_key() const { return m_cipher.has_key(); }
    Digest const& handshake_hash() const { return m_hash; }

    // The two transport ciphers: initiator-to-responder first.
    std::pair<CipherState, CipherState> split();

private:
    Digest m_chaining_key {};
    Digest m_hash {};
    CipherState m_cipher;
};

}
