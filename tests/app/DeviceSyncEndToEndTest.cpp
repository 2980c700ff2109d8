// The application and a device, end to end: the Node stand-in for a device on 127.0.0.1, a
// stand-in secret portal on a private session bus that gives the same secret at every start,
// and temporary state and data directories. The application's frames drive the handle as the
// device controls do, and what the device sent shows in the model.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "automerge/Document.h"
#include "kaso/actions/LibraryStore.h"
#include "src/actions/TypedDispatch.h"
#include "src/app/AppState.h"
#include "src/app/SyncRequest.h"
#include "src/sync/Base64.h"
#include "tests/sync/NodePeer.h"
#include "tests/sync/PortalStandIn.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kaso::actions::LibraryStore;
using vexa::AppState;
using vexa::OwnerHistory;
using vexa::sync::test::FakePortal;
using vexa::sync::test::NodePeer;
using vexa::sync::test::PrivateBus;

namespace {

constexpr char const* owner = "user:test";
constexpr char const* ours = "https://www.youtube.com/@ours";

std::string invite_for(NodePeer const& peer)
{
    nlohmann::json invite { { "publicKey", peer.public_key() }, { "addresses", { "127.0.0.1" } }, { "port", peer.port() }, { "pairingCode", "4321" } };
    auto text = invite.dump();
    return "grayjay://pair/" + vexa::sync::encode_base64_standard(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()));
}

bool holds(std::vector<std::string> const& list, std::string const& item) { return std::find(list.begin(), list.end(), item) != list.end(); }

class DeviceSyncEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vexa-device-sync-e2e-XXXXXX";
        m_root = ::mkdtemp(pattern);
        ::setenv("XDG_STATE_HOME", (m_root / "state").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
    }
    void TearDown() override
    {
        m_app.reset();
        std::filesystem::remove_all(m_root);
    }

    // A new application on the same files, its worker started as the live one starts it (the
    // pull window shortened, since the device never closes).
    void start_application()
    {
        m_app.reset();
        m_app = std::make_unique<AppState>(owner, OwnerHistory::open_in(owner, m_root / "data"));
        vexa::sync::DeviceSyncSeams seams;
        seams.pull_window = 2500ms;
        m_app->set_device_sync(vexa::start_live_device_sync("Kaso Vexa", seams));
    }
    AppState& app() { return *m_app; }

    // Runs frames until the handle shows `message` (and `also` holds), at most 30 s.
    bool frames_until(std::string const& message, std::function<bool()> const& also = {})
    {
        auto const deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            kaso::ui::SyncContext context { &m_library.document(), 0, &m_library };
            m_app->run_frame(context, nullptr);
            if (m_app->device_sync().status().message == message && (!also || also()))
                return true;
            std::this_thread::sleep_for(10ms);
        }
        ADD_FAILURE() << "waiting for " << message << ", shown: " << m_app->device_sync().status().message;
        return false;
    }

    fs::path m_root;
    LibraryStore m_library { LibraryStore::in_memory() };
    std::unique_ptr<AppState> m_app;
};

}

TEST_F(DeviceSyncEndToEnd, PairApproveSyncPushRestartAndRevoke)
{
    PrivateBus bus;
    if (bus.address().empty())
        GTEST_SKIP() << "dbus-daemon is not available";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    FakePortal portal(bus.address(), "the same per-user secret at every start", 0);
    NodePeer peer({ { "code", "4321" }, { "state", (m_root / "node-peers.json").string() }, { "lifetime", 110000 } });
    ASSERT_TRUE(peer.started());
    kaso::actions::ActionHost host;
    ASSERT_TRUE(vexa::dispatch_vexa_action(host, m_library, vexa::VexaAction::SetSubscription { ours, true }, {}).has_value());

    start_application();
    ASSERT_TRUE(app().device_sync().has_worker()) << app().device_sync().status().message;
    // The first frame asked for a pass; with no device it has nothing to do.
    ASSERT_TRUE(frames_until("Device sync is up to date."));
    auto const local_key = app().device_sync().status().local_key;
    ASSERT_TRUE(local_key.has_value());

    // Pairing takes the invite from the shared field buffer, as the pair control does.
    auto& handle = app().device_sync();
    handle.pairing_invite()->set_text("  " + invite_for(peer) + "\n");
    ASSERT_TRUE(vexa::request_device_pairing(handle, vexa::take_pairing_invite(handle)));
    EXPECT_TRUE(handle.pairing_invite()->is_empty());
    ASSERT_TRUE(frames_until("Device authenticated. Review its fingerprint and approve access."));
    ASSERT_EQ(handle.status().peers.size(), 1u);
    auto const id = handle.status().peers[0].id;
    EXPECT_EQ(id, peer.public_key());
    EXPECT_TRUE(handle.status().peers[0].pending_approval);

    ASSERT_TRUE(vexa::request_device_approval(handle, id));
    ASSERT_TRUE(frames_until("Device approved. Sync is ready."));

    // A pass pulls the device's subscriptions and history into the library and the history list,
    // and pushes ours.
    ASSERT_TRUE(handle.request_sync_now(vexa::build_sync_request(app().model())));
    auto const imported = [&] { return app().model().history.size() == 2; };
    ASSERT_TRUE(frames_until("Device sync is up to date.", imported));
    auto const& model = app().model();
    EXPECT_TRUE(holds(model.subscriptions, "https://www.youtube.com/channel/UCnode1"));
    EXPECT_TRUE(holds(model.subscriptions, "https://www.youtube.com/channel/UCnode2"));
    EXPECT_TRUE(holds(model.subscriptions, ours));
    EXPECT_EQ(model.history, (std::vector<std::string> { "https://www.youtube.com/watch?v=node-a", "https://www.youtube.com/watch?v=node-b" }));
    auto pushed = peer.wait_for("pushed");
    ASSERT_TRUE(pushed.has_value());
    EXPECT_EQ((*pushed)["subscriptions"][0]["url"], ours);

    // Quit and start again: the same key from the portal, the device restored from the store, and
    // a pass that needs no pairing and writes no history it already imported.
    auto const history_heads = app().history().store().document().heads();
    start_application();
    ASSERT_TRUE(frames_until("Device sync is up to date.", [&] { return app().device_sync().status().peers.size() == 1; }));
    EXPECT_EQ(app().device_sync().status().local_key, local_key);
    EXPECT_TRUE(app().device_sync().status().peers[0].last_sync_at.has_value());
    EXPECT_FALSE(app().device_sync().status().peers[0].last_error.has_value());
    EXPECT_EQ(app().history().store().document().heads(), history_heads);
    EXPECT_EQ(app().model().history.size(), 2u);
    EXPECT_TRUE(peer.wait_for("pushed").has_value()); // the pass after the restart reached the device

    ASSERT_TRUE(vexa::request_device_revocation(app().device_sync(), id));
    ASSERT_TRUE(frames_until("Device revoked. Its key can no longer sync."));
    EXPECT_TRUE(app().device_sync().status().peers[0].revoked_at.has_value());
    start_application();
    ASSERT_TRUE(frames_until("Device sync is up to date."));
    EXPECT_EQ(app().device_sync().status().peers.size(), 1u);
    EXPECT_TRUE(app().device_sync().status().peers[0].revoked_at.has_value());
    EXPECT_EQ(portal.calls(), 3);
}
