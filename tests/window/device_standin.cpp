// The far side of a window test of device sync: a private session bus with a stand-in for the
// desktop's secret portal on it, and the Node stand-in for a device on 127.0.0.1. It prints, one
// a line, "bus ADDRESS" (for DBUS_SESSION_BUS_ADDRESS) and "invite TEXT" (the device's pairing
// invite), then serves until its standard input closes.
//   device_standin STATE_DIR [--hold]
// With --hold the portal keeps every answer back until the line "answer" arrives on standard
// input. Either way it prints "asked" when a request comes in.
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "src/sync/Base64.h"
#include "tests/sync/NodePeer.h"
#include "tests/sync/PortalStandIn.h"

using vexa::sync::test::FakePortal;
using vexa::sync::test::NodePeer;
using vexa::sync::test::PrivateBus;

namespace {

// A gate that the portal's thread waits at until the reader of standard input opens it.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened_changed;
    bool opened { false };

    void open()
    {
        std::lock_guard lock(mutex);
        opened = true;
        opened_changed.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(mutex);
        opened_changed.wait(lock, [&] { return opened; });
    }
};

void say(std::string const& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: device_standin STATE_DIR [--hold]\n");
        return 2;
    }
    std::string const state_dir = argv[1];
    bool const hold = argc > 2 && std::string(argv[2]) == "--hold";

    PrivateBus bus;
    if (bus.address().empty()) {
        std::fprintf(stderr, "device_standin: dbus-daemon could not be started\n");
        return 1;
    }
    Gate gate;
    auto before_answer = [&] {
        say("asked");
        if (hold)
            gate.wait();
    };
    FakePortal portal(bus.address(), "one secret for every start of this profile", 0, before_answer);
    NodePeer peer({ { "code", "4321" }, { "state", state_dir + "/node-peers.json" }, { "lifetime", 170000 } });
    if (!peer.started()) {
        std::fprintf(stderr, "device_standin: the Node device did not start\n");
        gate.open();
        return 1;
    }
    nlohmann::json invite { { "publicKey", peer.public_key() }, { "addresses", { "127.0.0.1" } }, { "port", peer.port() }, { "pairingCode", "4321" } };
    auto const text = invite.dump();
    say("bus " + bus.address());
    say("invite grayjay://pair/" + vexa::sync::encode_base64_standard(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size())));

    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "answer")
            gate.open();
    }
    // Nothing more comes: let a held request go so the portal's thread can end.
    gate.open();
    return 0;
}
