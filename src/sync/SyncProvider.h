#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "src/sync/DeviceSyncError.h"
#include "src/sync/PeerRecord.h"
#include "src/sync/SyncPayload.h"

namespace vexa::sync {

// What a pull brought: the payload collected, and the transport error that cut the collection
// short, if one did. The end of the window and a peer that went silent are not errors.
struct PullResult {
    SyncPayload payload;
    std::optional<DeviceSyncError> interrupted_by;
};

// What the device-sync worker drives: an object that knows the reachable peers and runs pairing,
// pull and push with them.
class SyncProvider {
public:
    virtual ~SyncProvider() = default;

    virtual std::string name() const = 0;
    virtual bool is_available() const = 0;
    // Decodes the invite, connects with its pairing code and returns the new peer's id.
    virtual SyncErrorOr<std::string> pair_with_invite(std::string_view invite) = 0;
    virtual SyncErrorOr<void> push_subscriptions(std::string const& peer_id, SyncPayload const& payload) = 0;
    // Fails only when no session could be opened; see PullResult for what happens after.
    virtual SyncErrorOr<PullResult> pull(std::string const& peer_id) = 0;
    // Makes a stored peer reachable again.
    virtual SyncErrorOr<void> restore_peer(PeerDescriptor const& descriptor) = 0;
    // Forgets every entry whose key has the same bytes as `peer_id`.
    virtual void forget_peer(std::string const& peer_id) = 0;
    virtual std::optional<PeerDescriptor> peer_descriptor(std::string const& peer_id) const = 0;
};

}
