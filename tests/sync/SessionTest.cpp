#include <gtest/gtest.h>

#include <sys/socket.h>
#include <thread>

#include "src/sync/Base64.h"
#include "src/sync/Connection.h"
#include "tests/sync/TestSupport.h"

using namespace vexa::sync;
using namespace vexa::sync::test;

namespace {

std::pair<TcpStream, TcpStream> connected_pair()
{
    int fds[2];
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
    TcpStream first(fds[0]);
    TcpStream second(fds[1]);
    first.set_timeouts(std::chrono::seconds(5), std::chrono::seconds(5));
    second.set_timeouts(std::chrono::seconds(5), std::chrono::seconds(5));
    return { std::move(first), std::move(second) };
}

std::vector<uint8_t> u32(uint32_t value)
{
    std::vector<uint8_t> out;
    append_u32(out, value);
    return out;
}

uint32_t read_u32_from(TcpStream& stream)
{
    uint8_t bytes[4];
    EXPECT_TRUE(stream.read_exact(bytes).has_value());
    return read_u32(bytes);
}

// The device's side of the handshake, with the record's fields as it read them.
struct DeviceHandshake {
    uint32_t total { 0 };
    uint32_t zero { 1 };
    uint32_t pairing_length { 0 };
    std::string pairing_code;
    noise::TransportCiphers ciphers;
};

DeviceHandshake answer_handshake(TcpStream& device, noise::KeyPair const& device_key)
{
    DeviceHandshake seen;
    EXPECT_EQ(read_u32_from(device), 5u);
    EXPECT_TRUE(device.write_all(u32(5)).has_value());
    seen.total = read_u32_from(device);
    std::vector<uint8_t> body(seen.total);
    EXPECT_TRUE(device.read_exact(body).has_value());
    seen.zero = read_u32(body);
    seen.pairing_length = read_u32(std::span(body).subspan(4));
    auto const pairing = std::span(body).subspan(8, seen.pairing_length);
    if (!pairing.empty()) {
        auto n = noise::HandshakeState::create({ noise::Pattern::N, noise::Role::Responder, {}, device_key, std::nullopt, std::nullopt }).value();
        auto code = n.read_message(pairing).value();
        seen.pairing_code.assign(code.begin(), code.end());
    }
    auto ik = noise::HandshakeState::create({ noise::Pattern::IK, noise::Role::Responder, {}, device_key, std::nullopt, std::nullopt }).value();
    EXPECT_TRUE(ik.read_message(std::span(body).subspan(8 + seen.pairing_length)).has_value());
    auto reply = ik.write_message({}).value();
    auto framed = u32(static_cast<uint32_t>(reply.size()));
    framed.insert(framed.end(), reply.begin(), reply.end());
    EXPECT_TRUE(device.write_all(framed).has_value());
    seen.ciphers = ik.split().value();
    return seen;
}

void send_device_frame(TcpStream& device, noise::CipherState& cipher, std::vector<uint8_t> const& packet)
{
    auto ciphertext = cipher.encrypt_with_ad({}, packet).value();
    auto framed = u32(static_cast<uint32_t>(ciphertext.size()));
    framed.insert(framed.end(), ciphertext.begin(), ciphertext.end());
    ASSERT_TRUE(device.write_all(framed).has_value());
}

std::vector<uint8_t> read_device_frame(TcpStream& device, noise::CipherState& cipher)
{
    std::vector<uint8_t> ciphertext(read_u32_from(device));
    EXPECT_TRUE(device.read_exact(ciphertext).has_value());
    return cipher.decrypt_with_ad({}, ciphertext).value();
}

KeyBlock local_key()
{
    return load_device_keypair(std::vector<uint8_t>(32, 0x11)).value();
}

}

TEST(SyncSessionWire, ProtocolVersions)
{
    struct Case {
        int32_t version;
        std::string result;
    };
    std::vector<Case> const cases = {
        { 3, "transport error: peer protocol version 3 < minimum 4" },
        { -1, "transport error: peer protocol version -1 < minimum 4" },
        { 4, "4" },
        { 5, "5" },
        { 9, "9" },
    };
    for (auto const& c : cases) {
        auto [local, device] = connected_pair();
        ASSERT_TRUE(device.write_all(u32(static_cast<uint32_t>(c.version))).has_value());
        auto version = exchange_protocol_version(local);
        EXPECT_EQ(version ? std::to_string(*version) : version.error().display(), c.result);
        EXPECT_EQ(read_u32_from(device), 5u);
    }
}

TEST(SyncSessionWire, HandshakeRecordAndFrames)
{
    auto device_key = noise::KeyPair::generate().value();
    auto const device_key_text = encode_base64_standard(device_key.public_key);
    auto key = local_key();
    for (std::optional<std::string> code : { std::optional<std::string>("pairing-code"), std::optional<std::string>() }) {
        auto [local, device] = connected_pair();
        DeviceHandshake seen;
        std::thread device_thread([&, &device = device] { seen = answer_handshake(device, device_key); });
        std::optional<std::string_view> code_view;
        if (code)
            code_view = *code;
        auto session = noise_handshake_initiator(std::move(local), { key, "Kaso Vexa" }, device_key_text, code_view);
        device_thread.join();
        ASSERT_TRUE(session.has_value()) << session.error().display();
        std::size_t const c = code ? code->size() : 0;
        std::size_t const pairing = code ? 48 + c : 0;
        EXPECT_EQ(seen.total, 8 + pairing + 96);
        EXPECT_EQ(seen.zero, 0u);
        EXPECT_EQ(seen.pairing_length, pairing);
        EXPECT_EQ(seen.pairing_code, code.value_or(""));
        EXPECT_EQ(session->peer_version(), 5);
        EXPECT_FALSE(session->authorized());

        // A ping is answered with a pong; a packet of the largest frame is accepted.
        send_device_frame(device, seen.ciphers.send, build_packet(0, 0, 0, {}));
        std::vector<uint8_t> largest(max_packet_payload, 'x');
        send_device_frame(device, seen.ciphers.send, build_packet(4, 203, 0, largest));
        auto message = session->receive();
        ASSERT_TRUE(message.has_value()) << message.error().display();
        EXPECT_EQ(message->payload.size(), max_packet_payload);
        EXPECT_EQ(read_device_frame(device, seen.ciphers.receive), build_packet(1, 0, 0, {}));

        // The authorized notice carries a fresh identifier and the device name.
        ASSERT_TRUE(session->send_authorized_notice().has_value());
        auto notice = parse_packet_header(read_device_frame(device, seen.ciphers.receive)).value();
        EXPECT_EQ(notice.opcode, 2);
        EXPECT_EQ(notice.payload[0], 36);
        EXPECT_EQ(std::string(notice.payload.begin() + 38, notice.payload.end()), "Kaso Vexa");

        // Outgoing streams count their ids from 0.
        std::vector<uint8_t> big(70'000, 'y');
        ASSERT_TRUE(session->send(Opcode::Data, 203, big, Compress::No).has_value());
        auto start = parse_packet_header(read_device_frame(device, seen.ciphers.receive)).value();
        EXPECT_EQ(start.opcode, 3);
        EXPECT_EQ(read_u32(start.payload), 0u);
        read_device_frame(device, seen.ciphers.receive);

        EXPECT_EQ(session->send(Opcode::Data, 203, std::vector<uint8_t>(max_message_payload + 1), Compress::No).error().display(),
            "transport error: outgoing sync payload exceeds resource bound");

        // A frame whose ciphertext was altered fails authentication.
        auto altered = seen.ciphers.send.encrypt_with_ad({}, build_packet(1, 0, 0, {})).value();
        altered[3] ^= 0x40;
        auto framed = u32(static_cast<uint32_t>(altered.size()));
        framed.insert(framed.end(), altered.begin(), altered.end());
        ASSERT_TRUE(device.write_all(framed).has_value());
        EXPECT_EQ(session->receive().error().display(), "transport error: noise: decryption failed");

        // A frame length of 65,536 is refused before anything more is read.
        ASSERT_TRUE(device.write_all(u32(65'536)).has_value());
        EXPECT_EQ(session->receive().error().display(), "transport error: frame too large: 65536");
    }
}

TEST(SyncSessionWire, HandshakeResponseLengths)
{
    auto device_key = noise::KeyPair::generate().value();
    auto const device_key_text = encode_base64_standard(device_key.public_key);
    auto key = local_key();
    for (uint32_t length : { 65'536u, 65'535u }) {
        auto [local, device] = connected_pair();
        std::thread device_thread([&, &device = device] {
            read_u32_from(device);
            ASSERT_TRUE(device.write_all(u32(5)).has_value());
            std::vector<uint8_t> record(read_u32_from(device));
            ASSERT_TRUE(device.read_exact(record).has_value());
            auto reply = u32(length);
            if (length < 65'536)
                reply.resize(4 + length, 0);
            ASSERT_TRUE(device.write_all(reply).has_value());
        });
        auto session = noise_handshake_initiator(std::move(local), { key, "Kaso Vexa" }, device_key_text, std::nullopt);
        device_thread.join();
        ASSERT_FALSE(session.has_value());
        if (length == 65'536)
            EXPECT_EQ(session.error().display(), "transport error: handshake response too large: 65536");
        else
            EXPECT_TRUE(session.error().display().starts_with("transport error: noise: ")) << session.error().display();
    }
}

TEST(SyncSessionWire, RefusesLowOrderDeviceKey)
{
    auto [local, device] = connected_pair();
    ASSERT_TRUE(device.write_all(u32(5)).has_value());
    auto key = local_key();
    auto session = noise_handshake_initiator(std::move(local), { key, "Kaso Vexa" },
        encode_base64_standard(std::vector<uint8_t>(32, 0)), std::nullopt);
    ASSERT_FALSE(session.has_value());
    EXPECT_EQ(session.error().display(), "transport error: noise: Diffie-Hellman produced an all-zero shared secret");
}

TEST(SyncSessionWire, ConnectFailures)
{
    auto key = local_key();
    TransportTimeouts timeouts;
    timeouts.connect = std::chrono::milliseconds(500);
    SyncDeviceInfo none { encode_base64_standard(std::vector<uint8_t>(32, 1)), {}, 1, std::nullopt };
    EXPECT_EQ(connect_peer({ key, "Kaso Vexa" }, timeouts, none, std::nullopt).error().display(),
        "transport error: no addresses to connect");
    // 127.0.0.2 is loopback with nothing listening on port 1.
    SyncDeviceInfo refused { none.public_key, { "127.0.0.2" }, 1, std::nullopt };
    EXPECT_EQ(connect_peer({ key, "Kaso Vexa" }, timeouts, refused, std::nullopt).error().display(),
        "transport error: io: Connection refused (os error 111)");
}
