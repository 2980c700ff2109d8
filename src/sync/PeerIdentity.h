#pragma once

#include <string_view>

namespace vexa::sync {

// Whether two peer key texts name the same device: equal texts, or texts that decode (in any of
// the base64 forms an invite may use) to the same 32-byte key. A device revoked under its
// standard form is still recognised when it comes back with the URL-safe one.
bool same_peer_key(std::string_view first, std::string_view second);

}
