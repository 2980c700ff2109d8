#include "automerge/ActorId.h"

#include "automerge/Hex.h"

#include <sodium.h>

namespace automerge {

ActorId ActorId::random()
{
    std::vector<uint8_t> bytes(16);
    if (sodium_init() < 0)
        __builtin_trap();
    randombytes_buf(bytes.data(), bytes.size());
    return ActorId(std::move(bytes));
}

std::optional<ActorId> ActorId::from_hex(std::string_view hex)
{
    auto bytes = hex_decode(hex);
    if (!bytes)
        return std::nullopt;
    return ActorId(std::move(*bytes));
}

std::string ActorId::to_hex() const
{
    return hex_encode(m_bytes);
}

}
