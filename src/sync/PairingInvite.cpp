#include "src/sync/PairingInvite.h"

#include "src/sync/Base64.h"
#include "src/sync/JsonFields.h"
#include "src/sync/SecretBytes.h"

namespace vexa::sync {

namespace {

std::unexpected<DeviceSyncError> pairing_error(std::string text)
{
    return sync_error(DeviceSyncError::pairing(std::move(text)));
}

SyncErrorOr<SyncDeviceInfo> decode_blob(std::string_view blob)
{
    auto decoded = TRY(decode_base64_any(blob));
    SecretBytes bytes(decoded);
    wipe_bytes(decoded);
    if (bytes.size() > max_invite_length)
        return pairing_error("decoded pairing invite is too large");
    auto parsed = parse_device_info(std::string_view(reinterpret_cast<char const*>(bytes.data()), bytes.size()));
    if (!parsed)
        return pairing_error("unrecognized pairing blob: " + parsed.error().message);
    return std::move(*parsed);
}

}

kaso::ErrorOr<SyncDeviceInfo> parse_device_info(std::string_view text)
{
    auto value = TRY(json::parse(text));
    auto fields = TRY(json::Fields::open(value, { "publicKey", "addresses", "port", "pairingCode" }));
    SyncDeviceInfo info;
    info.public_key = TRY(fields.string("publicKey"));
    info.addresses = TRY(fields.string_array("addresses"));
    info.port = static_cast<int32_t>(TRY(fields.integer("port", INT32_MIN, INT32_MAX)));
    info.pairing_code = TRY(fields.optional_string("pairingCode"));
    return info;
}

SyncErrorOr<void> validate_device_info(SyncDeviceInfo const& info, std::size_t max_addresses)
{
    auto key = TRY(decode_base64_any(info.public_key));
    bool valid = key.size() == 32;
    valid = valid && !info.addresses.empty() && info.addresses.size() <= max_addresses;
    for (auto const& address : info.addresses)
        valid = valid && !address.empty() && address.size() <= max_address_length;
    valid = valid && info.port >= 1 && info.port <= 65535;
    valid = valid && (!info.pairing_code || info.pairing_code->size() <= max_pairing_code_length);
    if (!valid)
        return pairing_error("pairing metadata is malformed or exceeds its bounds");
    return {};
}

SyncErrorOr<SyncDeviceInfo> decode_pairing_invite(std::string_view invite)
{
    auto const text = trim_white_space(invite);
    if (text.empty() || text.size() > max_invite_length)
        return pairing_error("pairing invite is empty or too large");

    auto info = [&]() -> SyncErrorOr<SyncDeviceInfo> {
        if (auto parsed = parse_device_info(text))
            return std::move(*parsed);
        // The standard alphabet holds "/", so the whole text is tried as a blob before the part
        // after the last "/" or ":" of a link.
        auto const cut = text.find_last_of("/:");
        if (cut == std::string_view::npos)
            return decode_blob(text);
        if (auto whole = decode_blob(text))
            return whole;
        return decode_blob(text.substr(cut + 1));
    }();
    if (!info)
        return info;

    auto valid = validate_device_info(*info, max_invite_addresses);
    if (!valid) {
        if (info->pairing_code)
            wipe_string(*info->pairing_code);
        return std::unexpected(valid.error());
    }
    return info;
}

}
