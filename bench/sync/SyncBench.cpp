// Handshake time and stream throughput of the sync transport over loopback, this side against
// the Node stand-in for a device (tests/interop/sync/grayjay-peer.js), plus the in-process
// handshake as a baseline. Needs Node and the npm packages of tests/interop.
#include <benchmark/benchmark.h>

#include <memory>

#include "src/sync/Base64.h"
#include "src/sync/GrayjaySyncProvider.h"
#include "tests/sync/NodePeer.h"

using namespace vexa::sync;
using namespace std::chrono_literals;

namespace {

constexpr std::size_t stream_bytes = 16 * 1024 * 1024;

struct Fixture {
    std::unique_ptr<test::NodePeer> peer;
    KeyBlock key = load_device_keypair(std::vector<uint8_t>(32, 0x42)).value();
    SyncDeviceInfo device;
    TransportTimeouts timeouts;
    bool ready { false };

    Fixture()
    {
        char pattern[] = "/tmp/vexa-sync-bench-XXXXXX";
        std::string const state = std::string(::mkdtemp(pattern)) + "/peers.json";
        peer = std::make_unique<test::NodePeer>(nlohmann::json { { "code", "1" }, { "state", state }, { "lifetime", 600000 }, { "ping", 5000 } });
        if (!peer->started())
            return;
        device = { peer->public_key(), { "127.0.0.1" }, peer->port(), std::nullopt };
        // Pair once so every later connection is authorized.
        auto pairing = device;
        pairing.pairing_code = "1";
        ready = connect_peer({ key, "Kaso Vexa" }, timeouts, pairing, std::nullopt).has_value();
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

void HandshakeAgainstNode(benchmark::State& state)
{
    auto& f = fixture();
    if (!f.ready) {
        state.SkipWithError("the Node peer did not start");
        return;
    }
    for (auto _ : state) {
        auto session = connect_peer({ f.key, "Kaso Vexa" }, f.timeouts, f.device, std::nullopt);
        if (!session) {
            state.SkipWithError(session.error().display().c_str());
            return;
        }
    }
}

void HandshakeInProcess(benchmark::State& state)
{
    auto responder_key = noise::KeyPair::generate().value();
    auto initiator_key = noise::KeyPair::generate().value();
    for (auto _ : state) {
        auto initiator = noise::HandshakeState::create({ noise::Pattern::IK, noise::Role::Initiator, {}, initiator_key, std::nullopt, responder_key.public_key }).value();
        auto responder = noise::HandshakeState::create({ noise::Pattern::IK, noise::Role::Responder, {}, responder_key, std::nullopt, std::nullopt }).value();
        auto first = initiator.write_message({}).value();
        (void)responder.read_message(first).value();
        auto second = responder.write_message({}).value();
        (void)initiator.read_message(second).value();
        benchmark::DoNotOptimize(initiator.split().value());
    }
}

// 16 MiB to the peer as two 8 MiB messages, then a round trip that confirms their arrival.
void StreamToNode(benchmark::State& state)
{
    auto& f = fixture();
    if (!f.ready) {
        state.SkipWithError("the Node peer did not start");
        return;
    }
    auto session = connect_peer({ f.key, "Kaso Vexa" }, f.timeouts, f.device, std::nullopt).value();
    std::vector<uint8_t> half(stream_bytes / 2, 0x5a);
    for (auto _ : state) {
        (void)session.send(Opcode::Data, 242, half, Compress::No);
        (void)session.send(Opcode::Data, 242, half, Compress::No);
        std::string const done = "{}";
        (void)session.send_data(243, std::span(reinterpret_cast<uint8_t const*>(done.data()), done.size()));
        while (true) {
            auto message = session.receive();
            if (!message) {
                state.SkipWithError(message.error().display().c_str());
                return;
            }
            if (message->kind == SyncMessage::Kind::Data && message->data_type == 244)
                break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream_bytes));
}

// 16 MiB from the peer, as two 8 MiB messages reassembled here.
void StreamFromNode(benchmark::State& state)
{
    auto& f = fixture();
    if (!f.ready) {
        state.SkipWithError("the Node peer did not start");
        return;
    }
    auto session = connect_peer({ f.key, "Kaso Vexa" }, f.timeouts, f.device, std::nullopt).value();
    std::string const request = "{\"bytes\":" + std::to_string(stream_bytes) + "}";
    for (auto _ : state) {
        (void)session.send_data(240, std::span(reinterpret_cast<uint8_t const*>(request.data()), request.size()));
        std::size_t received = 0;
        while (received < stream_bytes) {
            auto message = session.receive();
            if (!message) {
                state.SkipWithError(message.error().display().c_str());
                return;
            }
            if (message->kind == SyncMessage::Kind::Data && message->data_type == 241)
                received += message->payload.size();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream_bytes));
}

}

BENCHMARK(HandshakeInProcess)->Unit(benchmark::kMicrosecond);
BENCHMARK(HandshakeAgainstNode)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(StreamToNode)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(StreamFromNode)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

BENCHMARK_MAIN();
