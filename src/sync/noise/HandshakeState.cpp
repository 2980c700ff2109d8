#include "src/sync/noise/HandshakeState.h"

#include <algorithm>

namespace vexa::sync::noise {

std::string_view HandshakeState::protocol_name(Pattern pattern)
{
    switch (pattern) {
    case Pattern::N:
        return "Noise_N_25519_ChaChaPoly_BLAKE2b";
    case Pattern::IK:
        return "Noise_IK_25519_ChaChaPoly_BLAKE2b";
    }
    return {};
}

std::vector<std::vector<HandshakeState::Token>> const& HandshakeState::messages() const
{
    static std::vector<std::vector<Token>> const n = { { Token::E, Token::ES } };
    static std::vector<std::vector<Token>> const ik = {
        { Token::E, Token::ES, Token::S, Token::SS },
        { Token::E, Token::EE, Token::SE },
    };
    return m_pattern == Pattern::N ? n : ik;
}

kaso::ErrorOr<HandshakeState> HandshakeState::create(Options options)
{
    TRY(ensure_sodium());
    HandshakeState state;
    state.m_pattern = options.pattern;
    state.m_role = options.role;
    state.m_static = std::move(options.local_static);
    state.m_ephemeral = std::move(options.local_ephemeral);
    state.m_remote_static = options.remote_static;

    bool const initiator = options.role == Role::Initiator;
    if (initiator && !state.m_remote_static)
        return kaso::make_error("the initiator needs the responder's static key");
    if (!initiator && !state.m_static)
        return kaso::make_error("the responder needs its static key");
    if (initiator && options.pattern == Pattern::IK && !state.m_static)
        return kaso::make_error("IK needs the initiator's static key");

    state.m_symmetric = std::make_unique<SymmetricState>(protocol_name(options.pattern));
    state.m_symmetric->mix_hash(options.prologue);
    // Pre-message: the responder's static key, known to both sides.
    state.m_symmetric->mix_hash(initiator ? Bytes(*state.m_remote_static) : Bytes(state.m_static->public_key));
    return state;
}

bool HandshakeState::is_finished() const
{
    return m_next_message >= messages().size();
}

kaso::ErrorOr<void> HandshakeState::mix_dh(Token token)
{
    bool const initiator = m_role == Role::Initiator;
    KeyPair const* local = nullptr;
    std::optional<PublicKey> const* remote = nullptr;
    switch (token) {
    case Token::EE:
        local = m_ephemeral ? &*m_ephemeral : nullptr;
        remote = &m_remote_ephemeral;
        break;
    case Token::ES:
        local = initiator ? (m_ephemeral ? &*m_ephemeral : nullptr) : (m_static ? &*m_static : nullptr);
        remote = initiator ? &m_remote_static : &m_remote_ephemeral;
        break;
    case Token::SE:
        local = initiator ? (m_static ? &*m_static : nullptr) : (m_ephemeral ? &*m_ephemeral : nullptr);
        remote = initiator ? &m_remote_ephemeral : &m_remote_static;
        break;
    case Token::SS:
        local = m_static ? &*m_static : nullptr;
        remote = &m_remote_static;
        break;
    default:
        return kaso::make_error("not a Diffie-Hellman token");
    }
    if (local == nullptr || !remote->has_value())
        return kaso::make_error("missing key for Diffie-Hellman");
    std::array<uint8_t, dh_length> shared {};
    auto result = dh(shared, local->secret_key.span(), **remote);
    if (result)
        m_symmetric->mix_key(shared);
    wipe_bytes(shared);
    return result;
}

kaso::ErrorOr<std::vector<uint8_t>> HandshakeState::write_message(Bytes payload)
{
    if (is_finished())
        return kaso::make_error("handshake already finished");
    bool const our_turn = (m_next_message % 2 == 0) == (m_role == Role::Initiator);
    if (!our_turn)
        return kaso::make_error("not this side's turn to write");

    std::vector<uint8_t> message;
    for (auto token : messages()[m_next_message]) {
        switch (token) {
        case Token::E: {
            if (!m_ephemeral)
                m_ephemeral = TRY(KeyPair::generate());
            message.insert(message.end(), m_ephemeral->public_key.begin(), m_ephemeral->public_key.end());
            m_symmetric->mix_hash(m_ephemeral->public_key);
            break;
        }
        case Token::S: {
            if (!m_static)
                return kaso::make_error("missing local static key");
            auto encrypted = TRY(m_symmetric->encrypt_and_hash(m_static->public_key));
            message.insert(message.end(), encrypted.begin(), encrypted.end());
            break;
        }
        default:
            TRY(mix_dh(token));
        }
    }
    auto encrypted_payload = TRY(m_symmetric->encrypt_and_hash(payload));
    message.insert(message.end(), encrypted_payload.begin(), encrypted_payload.end());
    ++m_next_message;
    return message;
}

kaso::ErrorOr<std::vector<uint8_t>> HandshakeState::read_message(Bytes message)
{
    if (is_finished())
        return kaso::make_error("handshake already finished");
    bool const their_turn = (m_next_message % 2 == 0) != (m_role == Role::Initiator);
    if (!their_turn)
        return kaso::make_error("not this side's turn to read");

    std::size_t offset = 0;
    for (auto token : messages()[m_next_message]) {
        switch (token) {
        case Token::E: {
            if (message.size() - offset < dh_length)
                return kaso::make_error("handshake message too short");
            PublicKey key;
            std::copy_n(message.begin() + static_cast<std::ptrdiff_t>(offset), dh_length, key.begin());
            offset += dh_length;
            m_remote_ephemeral = key;
            m_symmetric->mix_hash(key);
            break;
        }
        case Token::S: {
            std::size_t const length = dh_length + (m_symmetric->has_key() ? tag_length : 0);
            if (message.size() - offset < length)
                return kaso::make_error("handshake message too short");
            auto decrypted = TRY(m_symmetric->decrypt_and_hash(message.subspan(offset, length)));
            offset += length;
            PublicKey key;
            std::copy_n(decrypted.begin(), dh_length, key.begin());
            m_remote_static = key;
            break;
        }
        default:
            TRY(mix_dh(token));
        }
    }
    auto payload = TRY(m_symmetric->decrypt_and_hash(message.subspan(offset)));
    ++m_next_message;
    return payload;
}

kaso::ErrorOr<TransportCiphers> HandshakeState::split()
{
    if (!is_finished())
        return kaso::make_error("handshake not finished");
    auto [initiator_to_responder, responder_to_initiator] = m_symmetric->split();
    if (m_role == Role::Initiator)
        return TransportCiphers { std::move(initiator_to_responder), std::move(responder_to_initiator) };
    return TransportCiphers { std::move(responder_to_initiator), std::move(initiator_to_responder) };
}

}
