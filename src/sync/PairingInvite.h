#pragma once

#include <string_view>

#include "kaso/platform/Error.h"
#include "src/sync/DeviceSyncError.h"
#include "src/sync/SyncDeviceInfo.h"

namespace vexa::sync {

constexpr std::size_t max_invite_length = 16'384;
// A stored peer keeps at most 8 addresses; an invite may list more, as a device lists every
// address it has.
constexpr std::size_t max_peer_addresses = 8;
constexpr std::size_t max_invite_addresses = 256;
constexpr std::size_t max_address_length = 255;
constexpr std::size_t max_pairing_code_length = 1'024;

// The bounds every invite and every restored peer must meet: a key of 32 bytes, 1 to
// `max_addresses` addresses of 1 to 255 bytes, a port of 1 to 65535 and a pairing code of at most
// 1,024 bytes. Failure: Pairing "pairing metadata is malformed or exceeds its bounds", or the
// key's base64 error.
SyncErrorOr<void> validate_device_info(SyncDeviceInfo const& info, std::size_t max_addresses = max_peer_addresses);

// Reads an invite pasted by the user: the JSON record itself, or base64 of it (possibly at the
// end of a link, after its last "/" or ":"). All its addresses are kept (up to 256); pairing
// tries the first few and keeps the one that answered.
SyncErrorOr<SyncDeviceInfo> decode_pairing_invite(std::string_view invite);

// The JSON record of an invite (an object, or an array of the four values in order).
kaso::ErrorOr<SyncDeviceInfo> parse_device_info(std::string_view json);

}
