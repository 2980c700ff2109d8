#include "src/sync/DeviceSyncError.h"

namespace vexa::sync {

std::string DeviceSyncError::display() const
{
    switch (kind) {
    case Kind::Pairing:
        return "pairing failed: " + text;
    case Kind::Transport:
        return "transport error: " + text;
    case Kind::DeviceKey:
        return "device key unavailable: " + text;
    case Kind::PeerStore:
        return "peer store error: " + text;
    case Kind::Revoked:
        return "peer was revoked on this device";
    }
    return text;
}

}
