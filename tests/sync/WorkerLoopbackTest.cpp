#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "automerge/Document.h"
#include "src/actions/LibraryReader.h"
#include "src/history/HistoryStore.h"
#include "src/model/VexaModel.h"
#include "src/sync/Base64.h"
#include "src/sync/DeviceSyncStart.h"
#include "src/sync/PulledImport.h"
#include "tests/sync/NodePeer.h"
#include "tests/sync/WorkerCommands.h"

// The worker with the real provider against the Node stand-in for a device, which behaves as a
// device does: it pings every 5 s, never closes after answering, and sends a large kind this side
// does not use before its history.
using namespace vexa;
using namespace vexa::sync;
using namespace vexa::sync::test;
using namespace std::chrono_literals;

namespace {

SecretSource fixed_secret()
{
    return [](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> { return std::vector<uint8_t>(32, 0x5a); };
}

// A device lists every address it has; here only the ninth of twelve is reachable.
std::string invite_for(NodePeer const& peer)
{
    std::vector<std::string> addresses;
    for (int i = 2; i <= 9; ++i)
        addresses.push_back("127.0.0." + std::to_string(i));
    addresses.push_back("127.0.0.1");
    for (int i = 10; i <= 12; ++i)
        addresses.push_back("127.0.0." + std::to_string(i));
    nlohmann::json invite { { "publicKey", peer.public_key() }, { "addresses", addresses }, { "port", peer.port() }, { "pairingCode", "4321" } };
    auto text = invite.dump();
    return "grayjay://pair/" + encode_base64_standard(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()));
}


class WorkerLoopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vexa-worker-loopback-XXXXXX";
        m_root = ::mkdtemp(pattern);
    }
    void TearDown() override
    {
        m_start.reset();
        std::filesystem::remove_all(m_root);
    }

    nlohmann::json peer_options(nlohmann::json extra = nlohmann::json::object()) const
    {
        nlohmann::json options { { "code", "4321" }, { "state", (m_root / "node-peers.json").string() }, { "lifetime", 110000 } };
        options.update(extra);
        return options;
    }

    void start_worker()
    {
        m_start.reset();
        DeviceSyncSeams seams;
        seams.secrets = fixed_secret();
        seams.peer_store_path = m_root / "state" / "kaso-vexa" / "grayjay-peers.json";
        seams.pull_window = 2500ms;
        m_start.emplace(start_device_sync_worker("Kaso Vexa", seams));
        ASSERT_TRUE(m_start->worker.has_value()) << m_start->status.message;
    }
    DeviceSyncWorker& worker() { return *m_start->worker; }

    std::optional<DeviceSyncStatus> status_saying(std::string const& message, std::chrono::milliseconds timeout = 30s)
    {
        auto const deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            for (auto& update : worker().take_updates()) {
                if (auto* pulled = std::get_if<DeviceSyncUpdate::Pulled>(&update.value)) {
                    m_pulled.push_back(std::move(pulled->payload));
                    continue;
                }
                auto const& status = std::get<DeviceSyncStatus>(update.value);
                m_last = status;
                if (status.message == message)
                    return status;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

    // Pairs through the invite and approves the device; its record's id.
    std::string pair_and_approve(NodePeer const& peer)
    {
        EXPECT_TRUE(worker().send(pair_command(invite_for(peer))));
        auto paired = status_saying("Device authenticated. Review its fingerprint and approve access.");
        if (!paired) {
            ADD_FAILURE() << "not paired: " << (m_last ? m_last->message : "no status");
            return {};
        }
        auto const id = paired->peers.back().id;
        EXPECT_TRUE(worker().send(approve_command(id)));
        EXPECT_TRUE(status_saying("Device approved. Sync is ready.").has_value());
        return id;
    }

    std::filesystem::path m_root;
    std::optional<DeviceSyncStart> m_start;
    std::optional<DeviceSyncStatus> m_last;
    std::vector<SyncPayload> m_pulled;
};

}

TEST_F(WorkerLoopback, PairApproveSyncPushRestartAndRevoke)
{
    NodePeer peer(peer_options({ { "unusedBytes", 9'000'000 } }));
    ASSERT_TRUE(peer.started());
    start_worker();
    ASSERT_TRUE(status_saying("Paste a Grayjay pairing invite to add your first device.").has_value());

    auto const id = pair_and_approve(peer);
    ASSERT_EQ(id, peer.public_key());
    // The address that answered is kept first, then seven of the others.
    auto const& addresses = m_last->peers[0].descriptor.addresses;
    ASSERT_EQ(addresses.size(), 8u);
    EXPECT_EQ(addresses[0], "127.0.0.1");
    EXPECT_EQ(addresses[1], "127.0.0.2");
    EXPECT_EQ(addresses[7], "127.0.0.8");

    SyncPayload ours { { "https://www.youtube.com/@ours" }, {} };
    ASSERT_TRUE(worker().send(sync_now_command(ours)));
    auto synced = status_saying("Device sync is up to date.");
    ASSERT_TRUE(synced.has_value()) << m_last->message;
    EXPECT_TRUE(synced->peers[0].last_sync_at.has_value());
    ASSERT_EQ(m_pulled.size(), 1u);
    EXPECT_EQ(m_pulled[0].subscriptions, (std::vector<std::string> { "https://www.youtube.com/channel/UCnode1", "https://www.youtube.com/channel/UCnode2" }));
    EXPECT_EQ(m_pulled[0].history, (std::vector<std::string> { "https://www.youtube.com/watch?v=node-a", "https://www.youtube.com/watch?v=node-b" }));
    auto pushed = peer.wait_for("pushed");
    ASSERT_TRUE(pushed.has_value());
    EXPECT_EQ((*pushed)["subscriptions"][0]["url"], "https://www.youtube.com/@ours");

    // The import into real stores, as a frame does it.
    VexaModel model;
    auto history = HistoryStore::open_in(model.owner_id, m_root / "data");
    automerge::Document library;
    auto first = apply_pulled_import(plan_pulled_import(m_pulled, model, history.document(), model.owner_id, 1'700'000'000'000), library, history);
    EXPECT_EQ(first.subscriptions_imported, 2u);
    EXPECT_EQ(first.history_imported, 2u);
    read_shared_library(library, model);
    EXPECT_EQ(model.subscriptions, m_pulled[0].subscriptions);
    auto const list = history.history_list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], (HistoryListEntry { "https://www.youtube.com/watch?v=node-a", 1'700'000'000'000 }));

    // A second pass brings the same history: nothing is written again, not even with a new time.
    m_pulled.clear();
    ASSERT_TRUE(worker().send(sync_now_command(ours)));
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value());
    ASSERT_EQ(m_pulled.size(), 1u);
    auto const heads = history.document().heads();
    auto second = plan_pulled_import(m_pulled, model, history.document(), model.owner_id, 1'700'000'500'000);
    EXPECT_TRUE(second.empty());
    EXPECT_EQ(history.document().heads(), heads);

    // A restart from the same secret and store reconnects without pairing again.
    start_worker();
    ASSERT_TRUE(status_saying("Approved devices are ready to sync.").has_value());
    ASSERT_TRUE(worker().send(sync_now_command(ours)));
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value()) << m_last->message;

    ASSERT_TRUE(worker().send(revoke_command(id)));
    auto revoked = status_saying("Device revoked. Its key can no longer sync.");
    ASSERT_TRUE(revoked.has_value());
    EXPECT_TRUE(revoked->peers[0].revoked_at.has_value());
    start_worker();
    ASSERT_TRUE(status_saying("Paste a Grayjay pairing invite to add your first device.").has_value());
}

// A subscription made on the device during the pull is broadcast as a package of its own; the
// last package is what the pull keeps, and the pass succeeds.
TEST_F(WorkerLoopback, BroadcastDuringThePull)
{
    NodePeer peer(peer_options({ { "broadcast", { "https://www.youtube.com/channel/UCnew" } } }));
    ASSERT_TRUE(peer.started());
    start_worker();
    pair_and_approve(peer);
    ASSERT_TRUE(worker().send(sync_now_command({})));
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value()) << m_last->message;
    EXPECT_TRUE(peer.wait_for("broadcast").has_value());
    ASSERT_EQ(m_pulled.size(), 1u);
    EXPECT_EQ(m_pulled[0].subscriptions, std::vector<std::string> { "https://www.youtube.com/channel/UCnew" });
    EXPECT_EQ(m_pulled[0].history.size(), 2u);
}

// The device drops the connection after its package: what arrived is imported, but the pass
// failed, the device is not pushed to and not marked as synced.
TEST_F(WorkerLoopback, DropMidPullKeepsWhatArrivedAndFails)
{
    NodePeer peer(peer_options({ { "dropMidPull", true } }));
    ASSERT_TRUE(peer.started());
    start_worker();
    pair_and_approve(peer);
    ASSERT_TRUE(worker().send(sync_now_command({ { "https://www.youtube.com/@ours" }, {} })));
    auto status = status_saying("1 device operation(s) failed");
    ASSERT_TRUE(status.has_value()) << m_last->message;
    EXPECT_EQ(status->state, DeviceSyncState::NeedsAttention);
    ASSERT_TRUE(status->peers[0].last_error.has_value());
    EXPECT_TRUE(status->peers[0].last_error->starts_with("transport error: io: ")) << *status->peers[0].last_error;
    EXPECT_FALSE(status->peers[0].last_sync_at.has_value());
    ASSERT_EQ(m_pulled.size(), 1u);
    EXPECT_EQ(m_pulled[0].subscriptions.size(), 2u);
    EXPECT_TRUE(m_pulled[0].history.empty());
    EXPECT_FALSE(peer.wait_for("pushed", 1500ms).has_value());
}
