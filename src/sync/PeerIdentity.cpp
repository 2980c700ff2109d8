#include "src/sync/PeerIdentity.h"

#include "src/sync/Base64.h"

namespace vexa::sync {

bool same_peer_key(std::string_view first, std::string_view second)
{
    if (first == second)
        return true;
    auto a = decode_base64_any(first);
    auto b = decode_base64_any(second);
    return a && b && a->size() == 32 && *a == *b;
}

}
