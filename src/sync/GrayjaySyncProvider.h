#pragma once

#include <chrono>
#include <unordered_map>

#include "src/sync/Connection.h"
#include "src/sync/DeviceKey.h"
#include "src/sync/SyncDeviceInfo.h"
#include "src/sync/SyncProvider.h"

namespace vexa::sync {

// Time limits of the provider's operations.
struct ProviderTimeouts {
    TransportTimeouts transport;
    // A first pairing waits on a person approving it on the device.
    std::chrono::milliseconds pairing_authorization { 120'000 };
    // How long a pull collects the peer's messages.
    std::chrono::milliseconds pull_window { 20'000 };
    // After a push, how long the peer may take to read our last message before the socket closes.
    std::chrono::milliseconds push_drain { 2'000 };
};

// Device sync with Grayjay over Noise IK on TCP. Every operation opens its own connection and
// drops it at its end.
class GrayjaySyncProvider final : public SyncProvider {
public:
    GrayjaySyncProvider(KeyBlock key, std::string device_name, ProviderTimeouts timeouts = {});

    std::string name() const override;
    bool is_available() const override { return true; }
    SyncErrorOr<std::string> pair_with_invite(std::string_view invite) override;
    SyncErrorOr<void> push_subscriptions(std::string const& peer_id, SyncPayload const& payload) override;
    SyncErrorOr<PullResult> pull(std::string const& peer_id) override;
    SyncErrorOr<void> restore_peer(PeerDescriptor const& descriptor) override;
    void forget_peer(std::string const& peer_id) override;
    std::optional<PeerDescriptor> peer_descriptor(std::string const& peer_id) const override;

    std::string public_key_base64() const { return m_key.public_key_base64(); }

private:
    SyncErrorOr<SyncSession> connect_known(std::string const& peer_id);
    // The entry under this exact text, else the first whose key has the same bytes.
    SyncDeviceInfo const* find_peer(std::string const& peer_id) const;
    LocalIdentity identity() const { return { m_key, m_device_name }; }

    KeyBlock m_key;
    std::string m_device_name;
    ProviderTimeouts m_timeouts;
    // Peer id (the public key text exactly as received) to how to reach it, without pairing code.
    std::unordered_map<std::string, SyncDeviceInfo> m_peers;
};

}
