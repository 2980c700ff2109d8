#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "kaso/platform/Error.h"

namespace kaso::platform {

// The desktop's secret portal (org.freedesktop.portal.Secret over the session bus): a secret that
// the desktop keeps for this application and hands back, the same bytes at every start.
class SecretPortal {
public:
    // Asks the portal for the application's secret. `application_name` names the caller in
    // errors. The portal writes the secret into a pipe that this call passes it; the call waits at
    // most `timeout` for the portal's answer. Errors: "secret portal: …" (no session bus, no
    // portal, the request refused, nothing written). The caller owns the returned bytes and must
    // wipe them once used.
    static ErrorOr<std::vector<uint8_t>> retrieve_secret(std::string_view application_name,
        std::chrono::milliseconds timeout = std::chrono::seconds(25));
};

}
