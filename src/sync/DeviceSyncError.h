#pragma once

#include "base/ErrorOr.h"
#include <string>

namespace vexa::sync {

// The error of every device-sync operation: a kind and, for all kinds but Revoked, a text. What
// the user sees is `display()`.
struct DeviceSyncError {
    enum class Kind {
        Pairing,
        Transport,
        DeviceKey,
        PeerStore,
        Revoked,
    };

    Kind kind { Kind::Transport };
    std::string text;
    // A socket read or write that hit its time-out: the peer went silent, which ends a pull
    // normally, unlike a connection that dropped.
    bool timed_out { false };

    static DeviceSyncError pairing(std::string text) { return { Kind::Pairing, std::move(text) }; }
    static DeviceSyncError transport(std::string text) { return { Kind::Transport, std::move(text) }; }
    static DeviceSyncError device_key(std::string text) { return { Kind::DeviceKey, std::move(text) }; }
    static DeviceSyncError peer_store(std::string text) { return { Kind::PeerStore, std::move(text) }; }
    static DeviceSyncError revoked() { return { Kind::Revoked, {} }; }

    // "pairing failed: …", "transport error: …", "device key unavailable: …",
    // "peer store error: …" or "peer was revoked on this device".
    std::string display() const;
};

template<typename T>
using SyncErrorOr = base::ErrorOr<T, DeviceSyncError>;

inline std::unexpected<DeviceSyncError> sync_error(DeviceSyncError error)
{
    return std::unexpected(std::move(error));
}

inline std::unexpected<DeviceSyncError> transport_error(std::string text)
{
    return std::unexpected(DeviceSyncError::transport(std::move(text)));
}

}
