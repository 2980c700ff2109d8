#include "automerge/ChangeHash.h"

#include "automerge/Hex.h"

#include <algorithm>

namespace automerge {

std::optional<ChangeHash> ChangeHash::from_hex(std::string_view hex)
{
    auto bytes = hex_decode(hex);
    if (!bytes || bytes->size() != 32)
        return std::nullopt;
    ChangeHash hash;
    std::ranges::copy(*bytes, hash.bytes.begin());
    return hash;
}

std::string ChangeHash::to_hex() const
{
    return hex_encode(bytes);
}

}
