#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexa::sync {

// How to reach a Grayjay device, as its invite gives it: its static public key in base64 (any of
// the four forms), the addresses and the TCP port it listens on, and a one-time pairing code.
struct SyncDeviceInfo {
    std::string public_key;
    std::vector<std::string> addresses;
    int32_t port { 0 };
    std::optional<std::string> pairing_code;

    bool operator==(SyncDeviceInfo const&) const = default;
};

}
