// Fuzz target of the peer store reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "src/sync/PeerStore.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<char const*>(data), size);
    auto records = vexa::sync::PeerStore::parse(text);
    if (records && !vexa::sync::PeerStore::within_bounds(*records))
        __builtin_trap(); // whatever loads is within the bounds
    return 0;
}
