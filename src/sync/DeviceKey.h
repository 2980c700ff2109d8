#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/platform/Error.h"
#include "src/sync/DeviceSyncError.h"
#include "src/sync/noise/KeyPair.h"

namespace vexa::sync {

// The installation's long-lived Curve25519 identity. It is never stored: it is derived at each
// start from the secret that the desktop keeps for the application.
struct KeyBlock {
    noise::KeyPair pair;

    // The public key in standard base64 with padding (44 characters): the key text this device
    // sends and shows.
    std::string public_key_base64() const;
};

// Where the secret comes from: given the device name, the application's secret bytes.
using SecretSource = std::function<kaso::ErrorOr<std::vector<uint8_t>>(std::string_view device_name)>;

// The desktop's secret portal as a secret source.
SecretSource desktop_secret_source();

// The domain-separation label hashed in front of the secret: 33 characters and a zero byte.
constexpr std::string_view device_key_label { "kaso.vexa.grayjay-noise-static-v1\0", 34 };

// SHA-256(label ‖ secret) as the X25519 private key. Failures are DeviceKey errors: the secret
// source's message, or "host secret broker returned insufficient key material" under 16 bytes.
SyncErrorOr<KeyBlock> derive_device_key(SecretSource const& source, std::string_view device_name);

// The key block of a 32-byte private key: DeviceKey "device key material has an invalid length"
// for any other size.
SyncErrorOr<KeyBlock> load_device_keypair(std::span<uint8_t const> private_key);

}
