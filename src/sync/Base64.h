#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "src/sync/DeviceSyncError.h"

namespace vexa::sync {

// Decodes base64 in any of four forms, tried in order after trimming white space: standard
// alphabet with canonical padding, standard without padding, URL-safe with canonical padding,
// URL-safe without padding. Non-zero trailing bits are refused by all of them.
// Failure: Pairing "invalid base64 value".
SyncErrorOr<std::vector<uint8_t>> decode_base64_any(std::string_view text);

// Standard alphabet with padding.
std::string encode_base64_standard(std::span<uint8_t const> bytes);

// Trims ASCII and Unicode-agnostic white space (space, tab, CR, LF, VT, FF) from both ends.
std::string_view trim_white_space(std::string_view text);

}
