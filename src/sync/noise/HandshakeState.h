#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "src/sync/noise/CipherState.h"
#include "src/sync/noise/KeyPair.h"
#include "src/sync/noise/SymmetricState.h"

namespace vexa::sync::noise {

// The two handshake patterns device sync speaks, both with the responder's static key known to
// the initiator in advance:
//   N:   <- s  ...  -> e, es
//   IK:  <- s  ...  -> e, es, s, ss   <- e, ee, se
enum class Pattern {
    N,
    IK,
};

enum class Role {
    Initiator,
    Responder,
};

// The transport ciphers after a finished handshake, seen from one side.
struct TransportCiphers {
    CipherState send;
    CipherState receive;
};

// A Noise handshake over Curve25519, ChaCha20-Poly1305 and BLAKE2b, in either role.
class HandshakeState {
public:
    struct Options {
        Pattern pattern { Pattern::IK };
        Role role { Role::Initiator };
        std::vector<uint8_t> prologue;
        std::optional<KeyPair> local_static;
        // A fixed ephemeral key, for known-answer tests; a fresh one is made when absent.
        std::optional<KeyPair> local_ephemeral;
        std::optional<PublicKey> remote_static;
    };

    static kaso::ErrorOr<HandshakeState> create(Options options);

    // The protocol name, "Noise_IK_25519_ChaChaPoly_BLAKE2b" or "Noise_N_…".
    static std::string_view protocol_name(Pattern);

    kaso::ErrorOr<std::vector<uint8_t>> write_message(Bytes payload);
    kaso::ErrorOr<std::vector<uint8_t>> read_message(Bytes message);

    bool is_finished() const;
    std::optional<PublicKey> const& remote_static() const { return m_remote_static; }
    Digest const& handshake_hash() const { return m_symmetric->handshake_hash(); }

    // The transport ciphers once every message has been written or read.
    kaso::ErrorOr<TransportCiphers> split();

private:
    HandshakeState() = default;

    enum class Token {
        E,
        S,
        EE,
        ES,
        SE,
        SS,
    };

    std::vector<std::vector<Token>> const& messages() const;
    kaso::ErrorOr<void> mix_dh(Token);

    Pattern m_pattern { Pattern::IK };
    Role m_role { Role::Initiator };
    std::unique_ptr<SymmetricState> m_symmetric;
    std::optional<KeyPair> m_static;
    std::optional<KeyPair> m_ephemeral;
    std::optional<PublicKey> m_remote_static;
    std::optional<PublicKey> m_remote_ephemeral;
    std::size_t m_next_message { 0 };
};

}
