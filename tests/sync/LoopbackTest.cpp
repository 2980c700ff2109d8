#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "src/sync/Base64.h"
#include "src/sync/GrayjaySyncProvider.h"
#include "src/sync/PeerStore.h"
#include "tests/sync/NodePeer.h"
#include "tests/sync/TestSupport.h"

using namespace vexa::sync;
using namespace vexa::sync::test;
using namespace std::chrono_literals;

namespace {

ProviderTimeouts short_timeouts()
{
    ProviderTimeouts timeouts;
    timeouts.transport.connect = 2s;
    timeouts.transport.io = 4s;
    timeouts.transport.authorization = 3s;
    timeouts.pairing_authorization = 5s;
    timeouts.pull_window = 2500ms;
    timeouts.push_drain = 1s;
    return timeouts;
}

GrayjaySyncProvider provider_for(uint8_t secret_byte)
{
    SecretSource source = [secret_byte](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> {
        return std::vector<uint8_t>(32, secret_byte);
    };
    return GrayjaySyncProvider(derive_device_key(source, "Kaso Vexa").value(), "Kaso Vexa", short_timeouts());
}

std::string invite_for(NodePeer const& peer, std::string const& code)
{
    nlohmann::json invite {
        { "publicKey", peer.public_key() },
        // 127.0.0.2 refuses (the peer listens on 127.0.0.1 only), so the second address is used.
        { "addresses", { "127.0.0.2", "127.0.0.1" } },
        { "port", peer.port() },
        { "pairingCode", code },
    };
    auto text = invite.dump();
    return encode_base64_standard(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()));
}

class Loopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vexa-loopback-XXXXXX";
        m_root = ::mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    nlohmann::json peer_options(nlohmann::json extra = nlohmann::json::object()) const
    {
        nlohmann::json options { { "code", "4321" }, { "state", (m_root / "node-peers.json").string() }, { "lifetime", 60000 },
            { "ping", 400 } };
        options.update(extra);
        return options;
    }

    std::filesystem::path m_root;
};

}

TEST_F(Loopback, PairPullPushAndReconnectAfterRestart)
{
    auto peer = std::make_unique<NodePeer>(peer_options({ { "unusedBytes", 9'500'000 } }));
    ASSERT_TRUE(peer->started());
    auto provider = provider_for(1);

    auto id = provider.pair_with_invite(invite_for(*peer, "4321"));
    ASSERT_TRUE(id.has_value()) << id.error().display();
    EXPECT_EQ(*id, peer->public_key());
    auto paired = peer->wait_for("paired");
    ASSERT_TRUE(paired.has_value());
    EXPECT_EQ((*paired)["client"].get<std::string>(), provider.public_key_base64());
    auto descriptor = provider.peer_descriptor(*id).value();
    EXPECT_EQ(descriptor.port, peer->port());
    // The address that answered is kept first.
    EXPECT_EQ(descriptor.addresses, (std::vector<std::string> { "127.0.0.1", "127.0.0.2" }));

    // The device answers with its package, a 9.5 MB kind that is not used, and its history.
    auto pulled = provider.pull(*id);
    ASSERT_TRUE(pulled.has_value()) << pulled.error().display();
    EXPECT_EQ(pulled->payload.subscriptions, (std::vector<std::string> { "https://www.youtube.com/channel/UCnode1", "https://www.youtube.com/channel/UCnode2" }));
    EXPECT_EQ(pulled->payload.history, (std::vector<std::string> { "https://www.youtube.com/watch?v=node-a", "https://www.youtube.com/watch?v=node-b" }));
    auto state = peer->wait_for("state-exchange");
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ((*state)["state"], (nlohmann::json { { "publicKey", provider.public_key_base64() }, { "lastHistory", -1 }, { "lastSubscription", -1 } }));

    SyncPayload push;
    push.subscriptions = { "https://www.youtube.com/channel/UClocal1", "https://www.youtube.com/channel/UClocal2" };
    auto pushed = provider.push_subscriptions(*id, push);
    ASSERT_TRUE(pushed.has_value()) << pushed.error().display();
    auto received = peer->wait_for("pushed");
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ((*received)["subscriptions"], nlohmann::json::parse(R"([
        {"url":"https://www.youtube.com/channel/UClocal1","creationTime":0},
        {"url":"https://www.youtube.com/channel/UClocal2","creationTime":0}])"));
    EXPECT_EQ((*received)["raw"]["subscriptions"][0]["channel"]["id"],
        nlohmann::json::parse(R"({"platform":"YouTube","value":"https://www.youtube.com/channel/UClocal1","pluginId":null,"claimType":0,"claimFieldType":-1})"));
    EXPECT_EQ((*received)["raw"]["subscriptionRemovals"], nlohmann::json::object());
    // The push ended with a write shutdown, which the device sees as an orderly end.
    EXPECT_TRUE(peer->wait_for("client-closed").has_value());

    // Both sides restart: the device with its state, this side from the same secret through the
    // peer store.
    auto store = m_root / "state" / "kaso-vexa" / "grayjay-peers.json";
    PeerRecord record { .id = *id, .name = "Grayjay " + id->substr(0, 8), .descriptor = descriptor, .approved_at = 1 };
    ASSERT_TRUE(PeerStore::save(store, std::vector { record }).has_value());
    peer = std::make_unique<NodePeer>(peer_options());
    ASSERT_TRUE(peer->started());
    auto restarted = provider_for(1);
    auto records = PeerStore::load(store).value();
    ASSERT_EQ(records.size(), 1u);
    records[0].descriptor.port = peer->port(); // the device listens on a new port now
    ASSERT_TRUE(restarted.restore_peer(records[0].descriptor).has_value());
    auto again = restarted.pull(records[0].id);
    ASSERT_TRUE(again.has_value()) << again.error().display();
    EXPECT_EQ(again->payload.subscriptions.size(), 2u);

    // A different secret is a different device, which the peer does not know.
    auto stranger = provider_for(2);
    ASSERT_TRUE(stranger.restore_peer(records[0].descriptor).has_value());
    EXPECT_EQ(stranger.pull(records[0].id).error().display(), "pairing failed: peer refused authorization");
}

// Two packages: only the second counts; a history that is not an array is empty; a device that
// then goes silent ends the pull at the read time-out with what arrived.
TEST_F(Loopback, PullKeepsTheLastPackageAndEndsOnSilence)
{
    NodePeer peer(peer_options({ { "packages", { { "first" }, { "second", "third" } } }, { "historyText", R"({"not":"a list"})" },
        { "ping", 600000 } }));
    ASSERT_TRUE(peer.started());
    auto provider = provider_for(6);
    auto id = provider.pair_with_invite(invite_for(peer, "4321"));
    ASSERT_TRUE(id.has_value()) << id.error().display();
    auto const started = std::chrono::steady_clock::now();
    auto pulled = provider.pull(*id);
    ASSERT_TRUE(pulled.has_value()) << pulled.error().display();
    EXPECT_EQ(pulled->payload.subscriptions, (std::vector<std::string> { "second", "third" }));
    EXPECT_TRUE(pulled->payload.history.empty());
    EXPECT_FALSE(pulled->interrupted_by.has_value()) << pulled->interrupted_by->display();
    // The window is 2.5 s but nothing arrives to end it; the 4 s read time-out does.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 3500ms);
}

TEST_F(Loopback, WrongPairingCodeIsRefused)
{
    NodePeer peer(peer_options());
    ASSERT_TRUE(peer.started());
    auto provider = provider_for(3);
    auto id = provider.pair_with_invite(invite_for(peer, "0000"));
    ASSERT_FALSE(id.has_value());
    EXPECT_EQ(id.error().display(), "pairing failed: peer refused authorization");
    EXPECT_FALSE(provider.peer_descriptor(peer.public_key()).has_value());
}

TEST_F(Loopback, PeerThatOnlyPingsTimesOutAuthorization)
{
    NodePeer peer(peer_options({ { "withhold", true } }));
    ASSERT_TRUE(peer.started());
    auto provider = provider_for(4);
    auto started = std::chrono::steady_clock::now();
    auto id = provider.pair_with_invite(invite_for(peer, "4321"));
    ASSERT_FALSE(id.has_value());
    EXPECT_EQ(id.error().display(), "transport error: timed out waiting for peer authorization");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST_F(Loopback, UnknownPeerIsRefusedWithoutConnecting)
{
    auto provider = provider_for(5);
    EXPECT_EQ(provider.pull("nobody").error().display(), "pairing failed: unknown peer nobody");
    EXPECT_EQ(provider.push_subscriptions("nobody", {}).error().display(), "pairing failed: unknown peer nobody");
    EXPECT_EQ(provider.restore_peer({ encode_base64_standard(std::vector<uint8_t>(32, 1)), { "h" }, 0 }).error().display(),
        "peer store error: stored peer connection metadata is invalid");
}
