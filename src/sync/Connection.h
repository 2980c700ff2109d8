#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "src/sync/DeviceKey.h"
#include "src/sync/SyncDeviceInfo.h"
#include "src/sync/SyncSession.h"

// Opening a session with a Grayjay device: TCP connect, the protocol version exchange, the Noise
// handshake (IK, preceded by an N message carrying the pairing code when there is one), the check
// of the peer's static key, and the mutual authorization notices.
namespace vexa::sync {

constexpr int32_t local_protocol_version = 5;
constexpr int32_t minimum_protocol_version = 4;

// At most this many of a peer's addresses are tried, in order, all within `connect_overall`.
constexpr std::size_t max_connect_attempts = 16;

struct TransportTimeouts {
    std::chrono::milliseconds connect { 10'000 };      // per socket address
    std::chrono::milliseconds connect_overall { 30'000 }; // all addresses together
    std::chrono::milliseconds io { 15'000 };           // socket reads and writes
    std::chrono::milliseconds authorization { 20'000 }; // waiting for the peer's notice
};

// Who this device is on the wire.
struct LocalIdentity {
    KeyBlock const& key;
    std::string device_name;
};

// Writes our version (5) and reads the peer's; a version under 4 is refused.
SyncErrorOr<int32_t> exchange_protocol_version(TcpStream& stream);

// Runs the version exchange and the handshake on a connected stream; the session is in
// transport mode but not yet authorized.
SyncErrorOr<SyncSession> noise_handshake_initiator(TcpStream stream, LocalIdentity const& local,
    std::string_view peer_key_text, std::optional<std::string_view> pairing_code);

// Connects to the first reachable of the first 16 addresses of `peer` and returns an authorized
// session, which names the address that answered. Without `pairing_code` the one in `peer` (if
// any) is used.
SyncErrorOr<SyncSession> connect_peer(LocalIdentity const& local, TransportTimeouts const& timeouts,
    SyncDeviceInfo const& peer, std::optional<std::string> pairing_code);

}
