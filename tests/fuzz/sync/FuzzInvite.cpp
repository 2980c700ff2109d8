// Fuzz target of the pairing invite decoder.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "src/sync/PairingInvite.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<char const*>(data), size);
    auto invite = vexa::sync::decode_pairing_invite(text);
    if (invite && !vexa::sync::validate_device_info(*invite, vexa::sync::max_invite_addresses))
        __builtin_trap(); // a decoded invite always meets the bounds
    return 0;
}
