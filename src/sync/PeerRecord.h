#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexa::sync {

// How to reach a known peer: its static public key text as the invite gave it, its addresses
// and its TCP port.
struct PeerDescriptor {
    std::string public_key;
    std::vector<std::string> addresses;
    int32_t port { 0 };

    bool operator==(PeerDescriptor const&) const = default;
};

// One known device in the peer store. Times are whole seconds since the Unix epoch.
struct PeerRecord {
    std::string id;   // the peer's public key text, as pairing returned it
    std::string name; // "Grayjay " and the first 8 characters of the id at pairing
    PeerDescriptor descriptor;
    uint64_t approved_at { 0 }; // the pairing time, replaced by the approval time
    bool pending_approval { false };
    std::optional<uint64_t> revoked_at {};
    std::optional<uint64_t> last_sync_at {};
    std::optional<std::string> last_error {};

    // Neither revoked nor waiting for approval.
    bool is_active() const { return !revoked_at && !pending_approval; }

    bool operator==(PeerRecord const&) const = default;
};

}
