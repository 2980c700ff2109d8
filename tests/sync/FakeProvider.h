#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "src/sync/SyncProvider.h"

namespace vexa::sync::test {

// A scripted provider for worker tests. Shared state sits behind one lock because the worker
// thread calls it while the test thread reads and scripts it.
class FakeProvider final : public SyncProvider {
public:
    struct Script {
        std::map<std::string, SyncErrorOr<std::string>> pairings;   // invite text to outcome
        std::map<std::string, SyncErrorOr<PullResult>> pulls;       // peer id to outcome (default: empty payload)
        std::map<std::string, DeviceSyncError> push_failures;       // peer id to failure
        bool hold_pulls { false };                                  // pulls wait until release()
    };

    struct Log {
        std::vector<std::string> calls; // "pair <invite>", "pull <id>", "push <id>", "restore <key>", "forget <id>"
        std::map<std::string, PeerDescriptor> table;
        int pulls_waiting { 0 };
    };

    std::string name() const override { return "fake"; }
    bool is_available() const override { return true; }
    SyncErrorOr<std::string> pair_with_invite(std::string_view invite) override;
    SyncErrorOr<void> push_subscriptions(std::string const& peer_id, SyncPayload const& payload) override;
    SyncErrorOr<PullResult> pull(std::string const& peer_id) override;
    SyncErrorOr<void> restore_peer(PeerDescriptor const& descriptor) override;
    void forget_peer(std::string const& peer_id) override;
    std::optional<PeerDescriptor> peer_descriptor(std::string const& peer_id) const override;

    // Shared with the test after the provider moved into the worker.
    struct Shared {
        mutable std::mutex mutex;
        std::condition_variable changed;
        Script script;
        Log log;
        std::vector<SyncPayload> pushed;
    };
    explicit FakeProvider(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared))
    {
    }

private:
    std::shared_ptr<Shared> m_shared;
};

// Lets held pulls go on.
void release_pulls(FakeProvider::Shared& shared);
// Waits until `count` pulls are held (false after 5 s).
bool wait_for_held_pulls(FakeProvider::Shared& shared, int count);

}
