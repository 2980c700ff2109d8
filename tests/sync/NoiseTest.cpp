#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "src/sync/noise/HandshakeState.h"
#include "tests/sync/TestSupport.h"

using namespace vexa::sync;
using namespace vexa::sync::noise;
using namespace vexa::sync::test;

namespace {

nlohmann::json load_fixture(std::string_view name)
{
    return nlohmann::json::parse(read_text_file(fixture_path(name)));
}

KeyPair pair_of(std::string const& secret_hex)
{
    return KeyPair::from_secret(from_hex(secret_hex)).value();
}

PublicKey public_of(std::string const& secret_hex)
{
    return pair_of(secret_hex).public_key;
}

std::string hex_of(std::vector<uint8_t> const& bytes)
{
    return to_hex(bytes);
}

struct Pair {
    HandshakeState initiator;
    HandshakeState responder;
};

}

// The published cacophony vectors: a two-message IK handshake with payloads, then transport
// messages alternating from the initiator.
TEST(NoiseVectors, IkMatchesCacophony)
{
    auto vector = load_fixture("noise-ik-cacophony.json");
    auto prologue = from_hex(vector["init_prologue"].get<std::string>());
    auto initiator = HandshakeState::create({ Pattern::IK, Role::Initiator, prologue,
                                                pair_of(vector["init_static"]), pair_of(vector["init_ephemeral"]),
                                                PublicKey(public_of(vector["resp_static"])) })
                         .value();
    auto responder = HandshakeState::create({ Pattern::IK, Role::Responder, prologue, pair_of(vector["resp_static"]),
                                                pair_of(vector["resp_ephemeral"]), std::nullopt })
                         .value();
    EXPECT_EQ(to_hex(public_of(vector["resp_static"])), vector["init_remote_static"].get<std::string>());

    auto const& messages = vector["messages"];
    std::optional<TransportCiphers> initiator_ciphers;
    std::optional<TransportCiphers> responder_ciphers;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        auto payload = from_hex(messages[i]["payload"].get<std::string>());
        auto expected = messages[i]["ciphertext"].get<std::string>();
        bool const from_initiator = i % 2 == 0;
        std::vector<uint8_t> ciphertext;
        std::vector<uint8_t> received;
        if (i < 2) {
            auto& writer = from_initiator ? initiator : responder;
            auto& reader = from_initiator ? responder : initiator;
            ciphertext = writer.write_message(payload).value();
            received = reader.read_message(ciphertext).value();
            if (i == 1) {
                initiator_ciphers = initiator.split().value();
                responder_ciphers = responder.split().value();
            }
        } else {
            auto& writer = from_initiator ? *initiator_ciphers : *responder_ciphers;
            auto& reader = from_initiator ? *responder_ciphers : *initiator_ciphers;
            ciphertext = writer.send.encrypt_with_ad({}, payload).value();
            received = reader.receive.decrypt_with_ad({}, ciphertext).value();
        }
        EXPECT_EQ(hex_of(ciphertext), expected) << "message " << i;
        EXPECT_EQ(received, payload) << "message " << i;
    }
    EXPECT_EQ(to_hex(*responder.remote_static()), to_hex(public_of(vector["init_static"])));
}

// The one-way N pattern: one handshake message, then every transport message from the initiator.
TEST(NoiseVectors, NMatchesCacophony)
{
    auto vector = load_fixture("noise-n-cacophony.json");
    auto prologue = from_hex(vector["init_prologue"].get<std::string>());
    auto initiator = HandshakeState::create({ Pattern::N, Role::Initiator, prologue, std::nullopt,
                                                pair_of(vector["init_ephemeral"]),
                                                PublicKey(public_of(vector["resp_static"])) })
                         .value();
    auto responder = HandshakeState::create(
        { Pattern::N, Role::Responder, prologue, pair_of(vector["resp_static"]), std::nullopt, std::nullopt })
                         .value();
    auto const& messages = vector["messages"];
    auto first_payload = from_hex(messages[0]["payload"].get<std::string>());
    auto first = initiator.write_message(first_payload).value();
    EXPECT_EQ(hex_of(first), messages[0]["ciphertext"].get<std::string>());
    EXPECT_EQ(responder.read_message(first).value(), first_payload);
    auto sender = initiator.split().value();
    auto receiver = responder.split().value();
    for (std::size_t i = 1; i < messages.size(); ++i) {
        auto payload = from_hex(messages[i]["payload"].get<std::string>());
        auto ciphertext = sender.send.encrypt_with_ad({}, payload).value();
        EXPECT_EQ(hex_of(ciphertext), messages[i]["ciphertext"].get<std::string>()) << "message " << i;
        EXPECT_EQ(receiver.receive.decrypt_with_ad({}, ciphertext).value(), payload);
    }
}

// Transcripts that the npm noise-protocol package produced with fixed keys and no prologue, the
// configuration the sync transport uses.
TEST(NoiseVectors, MatchesNoiseProtocolTranscripts)
{
    auto transcript = load_fixture("noise-transcripts.json");
    auto const& keys = transcript["keys"];
    auto initiator = HandshakeState::create({ Pattern::IK, Role::Initiator, {}, pair_of(keys["initiator_static"]),
                                                pair_of(keys["initiator_ephemeral"]),
                                                PublicKey(public_of(keys["responder_static"])) })
                         .value();
    auto responder = HandshakeState::create({ Pattern::IK, Role::Responder, {}, pair_of(keys["responder_static"]),
                                                pair_of(keys["responder_ephemeral"]), std::nullopt })
                         .value();
    auto message1 = initiator.write_message({}).value();
    EXPECT_EQ(message1.size(), 96u);
    EXPECT_EQ(hex_of(message1), transcript["ik"]["message1"].get<std::string>());
    EXPECT_TRUE(responder.read_message(message1).value().empty());
    auto message2 = responder.write_message({}).value();
    EXPECT_EQ(message2.size(), 48u);
    EXPECT_EQ(hex_of(message2), transcript["ik"]["message2"].get<std::string>());
    EXPECT_TRUE(initiator.read_message(message2).value().empty());
    EXPECT_EQ(to_hex(*initiator.remote_static()), to_hex(public_of(keys["responder_static"])));

    auto initiator_ciphers = initiator.split().value();
    auto responder_ciphers = responder.split().value();
    for (auto const& step : transcript["ik"]["transport"]) {
        bool const from_initiator = step["from"] == "initiator";
        auto plaintext = from_hex(step["plaintext"].get<std::string>());
        auto& writer = from_initiator ? initiator_ciphers : responder_ciphers;
        auto& reader = from_initiator ? responder_ciphers : initiator_ciphers;
        auto ciphertext = writer.send.encrypt_with_ad({}, plaintext).value();
        EXPECT_EQ(hex_of(ciphertext), step["ciphertext"].get<std::string>());
        EXPECT_EQ(reader.receive.decrypt_with_ad({}, ciphertext).value(), plaintext);
    }

    auto pairing = HandshakeState::create({ Pattern::N, Role::Initiator, {}, std::nullopt,
                                              pair_of(keys["pairing_ephemeral"]),
                                              PublicKey(public_of(keys["responder_static"])) })
                       .value();
    auto pairing_message = pairing.write_message(from_hex(transcript["n"]["payload"].get<std::string>())).value();
    EXPECT_EQ(pairing_message.size(), 56u);
    EXPECT_EQ(hex_of(pairing_message), transcript["n"]["message"].get<std::string>());
}

TEST(NoiseHandshake, RefusesLowOrderPeerKey)
{
    // The all-zero point gives an all-zero shared secret, which must not be mixed in.
    PublicKey zero {};
    auto initiator = HandshakeState::create(
        { Pattern::IK, Role::Initiator, {}, KeyPair::generate().value(), std::nullopt, zero })
                         .value();
    auto message = initiator.write_message({});
    ASSERT_FALSE(message.has_value());
    EXPECT_EQ(message.error().message, "Diffie-Hellman produced an all-zero shared secret");
}

TEST(NoiseHandshake, TamperedMessagesFail)
{
    auto responder_static = KeyPair::generate().value();
    auto initiator = HandshakeState::create({ Pattern::IK, Role::Initiator, {}, KeyPair::generate().value(),
                                                std::nullopt, responder_static.public_key })
                         .value();
    auto message = initiator.write_message({}).value();
    for (std::size_t index : { std::size_t(40), std::size_t(95) }) {
        auto copy = message;
        copy[index] ^= 1;
        auto responder = HandshakeState::create(
            { Pattern::IK, Role::Responder, {}, responder_static, std::nullopt, std::nullopt })
                             .value();
        EXPECT_FALSE(responder.read_message(copy).has_value()) << index;
    }
    auto responder = HandshakeState::create(
        { Pattern::IK, Role::Responder, {}, responder_static, std::nullopt, std::nullopt })
                         .value();
    EXPECT_FALSE(responder.read_message(std::span(message).first(60)).has_value());
}

TEST(NoiseCipher, ReplayedTransportMessageFails)
{
    CipherState sender;
    CipherState receiver;
    std::vector<uint8_t> key(32, 7);
    sender.initialize_key(key);
    receiver.initialize_key(key);
    auto first = sender.encrypt_with_ad({}, bytes_of("one")).value();
    EXPECT_TRUE(receiver.decrypt_with_ad({}, first).has_value());
    EXPECT_FALSE(receiver.decrypt_with_ad({}, first).has_value());
}
