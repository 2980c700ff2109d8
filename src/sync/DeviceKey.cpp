#include "src/sync/DeviceKey.h"

#include <sodium.h>

#include "kaso/platform/SecretPortal.h"
#include "src/sync/Base64.h"

namespace vexa::sync {

std::string KeyBlock::public_key_base64() const
{
    return encode_base64_standard(pair.public_key);
}

SecretSource desktop_secret_source()
{
    return [](std::string_view device_name) { return kaso::platform::SecretPortal::retrieve_secret(device_name); };
}

SyncErrorOr<KeyBlock> load_device_keypair(std::span<uint8_t const> private_key)
{
    if (private_key.size() != noise::dh_length)
        return sync_error(DeviceSyncError::device_key("device key material has an invalid length"));
    auto pair = noise::KeyPair::from_secret(private_key);
    if (!pair)
        return sync_error(DeviceSyncError::device_key("Curve25519 is unavailable"));
    return KeyBlock { std::move(*pair) };
}

SyncErrorOr<KeyBlock> derive_device_key(SecretSource const& source, std::string_view device_name)
{
    auto retrieved = source(device_name);
    if (!retrieved)
        return sync_error(DeviceSyncError::device_key(retrieved.error().message));
    SecretBytes material(std::move(*retrieved));
    if (material.size() < 16)
        return sync_error(DeviceSyncError::device_key("host secret broker returned insufficient key material"));

    if (noise::ensure_sodium().has_value() == false)
        return sync_error(DeviceSyncError::device_key("Curve25519 is unavailable"));
    SecretBytes digest(crypto_hash_sha256_BYTES);
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    crypto_hash_sha256_update(&state, reinterpret_cast<uint8_t const*>(device_key_label.data()), device_key_label.size());
    crypto_hash_sha256_update(&state, material.data(), material.size());
    crypto_hash_sha256_final(&state, digest.data());
    sodium_memzero(&state, sizeof state);
    material.wipe();
    return load_device_keypair(digest.span());
}

}
