#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "src/app/DeviceSync.h"
#include "src/app/SyncRequest.h"
#include "src/model/VexaModel.h"

namespace {

using vexa::DeviceSyncCommand;
using vexa::DeviceSyncHandle;
using vexa::DeviceSyncState;
using vexa::DeviceSyncStatus;
using vexa::DeviceSyncUpdate;
using vexa::sync::SecretBytes;

SecretBytes secret(std::string_view text)
{
    return SecretBytes(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()));
}

std::string text_of(SecretBytes const& bytes)
{
    return std::string(reinterpret_cast<char const*>(bytes.data()), bytes.size());
}

struct WorkerEnds {
    kaso::Receiver<DeviceSyncCommand> commands;
    kaso::Sender<DeviceSyncUpdate> updates;
};

// A handle in front of a stand-in worker whose queue ends the test holds.
std::pair<DeviceSyncHandle, WorkerEnds> handle_with_worker(DeviceSyncStatus status = {})
{
    auto [command_sender, command_receiver] = kaso::bounded_queue<DeviceSyncCommand>(vexa::sync::device_sync_command_capacity);
    auto [update_sender, update_receiver] = kaso::unbounded_queue<DeviceSyncUpdate>();
    DeviceSyncHandle handle(std::move(command_sender), std::move(update_receiver), std::move(status));
    return { std::move(handle), WorkerEnds { std::move(command_receiver), std::move(update_sender) } };
}

TEST(DeviceSyncHandle, PlaceholderHasNoWorkerAndDropsEveryCommand)
{
    auto handle = vexa::unavailable_device_sync();
    EXPECT_FALSE(handle.has_worker());
    EXPECT_EQ(handle.status().state, DeviceSyncState::Unavailable);
    EXPECT_EQ(handle.status().message, "Start the live app to initialize device sync.");
    EXPECT_TRUE(handle.status().peers.empty());
    EXPECT_FALSE(handle.status().local_key);
    EXPECT_FALSE(handle.request_sync_now({}));
    EXPECT_FALSE(vexa::request_device_pairing(handle, secret("invite")));
    EXPECT_FALSE(vexa::request_device_approval(handle, "peer"));
    EXPECT_FALSE(vexa::request_device_revocation(handle, "peer"));
    EXPECT_FALSE(handle.drain_updates().changed);
}

TEST(DeviceSyncHandle, DemonstrationShowsOneApprovedAndOnePendingDevice)
{
    auto handle = vexa::demo_device_sync(1'000'000);
    auto const& status = handle.status();
    EXPECT_FALSE(handle.has_worker());
    EXPECT_EQ(status.state, DeviceSyncState::Ready);
    EXPECT_EQ(status.message, "Two devices are ready; one awaits your approval.");
    ASSERT_TRUE(status.local_key);
    EXPECT_EQ(status.local_key->size(), 20u);
    for (char c : *status.local_key)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;

    struct Expected {
        std::string id, name, key, address;
        bool pending;
        std::optional<uint64_t> last_sync_at;
    };
    std::vector<Expected> expected {
        { "6A:1C:92:7E:4B:80", "Pixel phone", "visual-active-key", "192.0.2.10", false, 1'000'000 - 180 },
        { "B5:73:0D:11:9A:CE", "Living-room tablet", "visual-pending-key", "192.0.2.11", true, std::nullopt },
    };
    ASSERT_EQ(status.peers.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        auto const& peer = status.peers[i];
        SCOPED_TRACE(peer.id);
        EXPECT_EQ(peer.id, expected[i].id);
        EXPECT_EQ(peer.name, expected[i].name);
        EXPECT_EQ(peer.descriptor.public_key, expected[i].key);
        EXPECT_EQ(peer.descriptor.addresses, std::vector<std::string> { expected[i].address });
        EXPECT_EQ(peer.descriptor.port, 12315);
        EXPECT_EQ(peer.pending_approval, expected[i].pending);
        EXPECT_FALSE(peer.revoked_at);
        EXPECT_EQ(peer.last_sync_at, expected[i].last_sync_at);
    }
    EXPECT_TRUE(vexa::sync::has_active_peer(status.peers));
}

TEST(DeviceSyncHandle, CommandQueueHoldsEightAndRefusesTheNinth)
{
    auto [handle, worker] = handle_with_worker();
    EXPECT_TRUE(handle.has_worker());
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(vexa::request_device_approval(handle, std::to_string(i))) << i;
    EXPECT_FALSE(vexa::request_device_revocation(handle, "ninth"));

    // The worker takes them in the order sent; a freed slot takes one more.
    auto first = worker.commands.try_receive();
    ASSERT_TRUE(first);
    auto const* approve = std::get_if<DeviceSyncCommand::Approve>(&first->value);
    ASSERT_TRUE(approve);
    EXPECT_EQ(approve->peer_id, "0");
    EXPECT_TRUE(vexa::request_device_revocation(handle, "after"));
}

// The live handle: a real worker behind it, whose own statuses arrive through the drain; a start
// that cannot make its thread leaves a handle without a worker that says so.
TEST(DeviceSyncHandle, LiveHandleFrontsTheStartedWorker)
{
    auto const root = std::filesystem::temp_directory_path() / ("vexa-live-device-sync-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    vexa::sync::DeviceSyncSeams seams;
    seams.secrets = [](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> { return std::vector<uint8_t>(32, 9); };
    seams.peer_store_path = root / "grayjay-peers.json";

    auto failed_seams = seams;
    failed_seams.spawn = [](std::function<void()>) { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); };
    auto no_thread = vexa::start_live_device_sync("Kaso Vexa", failed_seams);
    EXPECT_FALSE(no_thread.has_worker());
    EXPECT_EQ(no_thread.status().message, "Could not start the device-sync worker.");
    EXPECT_EQ(no_thread.status().state, DeviceSyncState::Unavailable);
    EXPECT_FALSE(no_thread.request_sync_now({}));

    auto handle = vexa::start_live_device_sync("Kaso Vexa", seams);
    ASSERT_TRUE(handle.has_worker());
    EXPECT_EQ(handle.status().message, "Loading approved devices…");
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (handle.status().message == "Loading approved devices…" && std::chrono::steady_clock::now() < deadline) {
        (void)handle.drain_updates();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(handle.status().message, "Paste a Grayjay pairing invite to add your first device.");
    EXPECT_EQ(handle.status().state, DeviceSyncState::Ready);
    ASSERT_TRUE(handle.status().local_key.has_value());
    // A pass with no devices saves the (empty) store and reports success.
    EXPECT_TRUE(handle.request_sync_now({ { "https://www.youtube.com/@a" }, {} }));
    while (handle.status().message != "Device sync is up to date." && std::chrono::steady_clock::now() < deadline) {
        (void)handle.drain_updates();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(handle.status().message, "Device sync is up to date.");
    EXPECT_TRUE(std::filesystem::is_regular_file(root / "grayjay-peers.json"));
    std::filesystem::remove_all(root);
}

TEST(DeviceSyncHandle, SendsFailOnceTheWorkerHasEnded)
{
    auto [handle, worker] = handle_with_worker();
    { auto gone = std::move(worker.commands); }
    EXPECT_FALSE(handle.request_sync_now({ { "https://www.youtube.com/@a" }, {} }));
}

TEST(DeviceSyncHandle, CommandsCarryTheirData)
{
    auto [handle, worker] = handle_with_worker();
    vexa::sync::SyncPayload payload { { "https://www.youtube.com/@a" }, { "v1" } };
    EXPECT_TRUE(handle.request_sync_now(payload));
    EXPECT_FALSE(vexa::request_device_pairing(handle, SecretBytes {}));
    EXPECT_TRUE(vexa::request_device_pairing(handle, secret("grayjay://invite")));
    EXPECT_TRUE(vexa::request_device_revocation(handle, "peer-r"));

    auto sync_now = worker.commands.try_receive();
    ASSERT_TRUE(sync_now);
    ASSERT_TRUE(std::holds_alternative<DeviceSyncCommand::SyncNow>(sync_now->value));
    EXPECT_EQ(std::get<DeviceSyncCommand::SyncNow>(sync_now->value).payload, payload);
    auto pair = worker.commands.try_receive();
    ASSERT_TRUE(pair);
    ASSERT_TRUE(std::holds_alternative<DeviceSyncCommand::Pair>(pair->value));
    EXPECT_EQ(std::get<DeviceSyncCommand::Pair>(pair->value).invite_text(), "grayjay://invite");
    auto revoke = worker.commands.try_receive();
    ASSERT_TRUE(revoke);
    ASSERT_TRUE(std::holds_alternative<DeviceSyncCommand::Revoke>(revoke->value));
    EXPECT_EQ(std::get<DeviceSyncCommand::Revoke>(revoke->value).peer_id, "peer-r");
    EXPECT_FALSE(worker.commands.try_receive());
}

TEST(DeviceSyncHandle, TakingTheInviteTrimsItAndEmptiesTheSharedBuffer)
{
    struct Case {
        std::string field;
        std::string taken;
    };
    std::vector<Case> cases {
        { "  grayjay://abc\n", "grayjay://abc" },
        { "\tgrayjay://a b\r\n ", "grayjay://a b" },
        { " \n\t ", "" },
        { "", "" },
    };
    auto handle = vexa::unavailable_device_sync();
    auto field = handle.pairing_invite(); // the settings page's end of the buffer
    for (auto const& c : cases) {
        SCOPED_TRACE(c.field);
        field->set_text(c.field);
        EXPECT_EQ(text_of(vexa::take_pairing_invite(handle)), c.taken);
        EXPECT_TRUE(field->is_empty());
        EXPECT_EQ(text_of(vexa::take_pairing_invite(handle)), "");
    }
}

TEST(DeviceSyncHandle, DrainKeepsNewStatusesAndCollectsPulledPayloadsInOrder)
{
    DeviceSyncStatus loading { "Loading approved devices…", {}, "key", DeviceSyncState::Ready };
    auto [handle, worker] = handle_with_worker(loading);

    EXPECT_FALSE(handle.drain_updates().changed);

    // An equal snapshot is no change.
    worker.updates.try_send({ loading });
    auto same = handle.drain_updates();
    EXPECT_FALSE(same.changed);
    EXPECT_TRUE(same.pulled.empty());

    // A snapshot that differs only in one peer's field is a change, and the last one stays.
    vexa::sync::PeerRecord peer;
    peer.id = "p";
    auto with_peer = loading;
    with_peer.peers = { peer };
    auto peer_failed = with_peer;
    peer_failed.peers[0].last_error = "timed out";
    peer_failed.state = DeviceSyncState::NeedsAttention;
    worker.updates.try_send({ with_peer });
    worker.updates.try_send({ DeviceSyncUpdate::Pulled { { { "https://www.youtube.com/@a" }, {} } } });
    worker.updates.try_send({ peer_failed });
    worker.updates.try_send({ DeviceSyncUpdate::Pulled { { {}, { "v2" } } } });
    auto drained = handle.drain_updates();
    EXPECT_TRUE(drained.changed);
    EXPECT_EQ(handle.status(), peer_failed);
    ASSERT_EQ(drained.pulled.size(), 2u);
    EXPECT_EQ(drained.pulled[0].subscriptions, std::vector<std::string> { "https://www.youtube.com/@a" });
    EXPECT_EQ(drained.pulled[1].history, std::vector<std::string> { "v2" });

    // The worker gone: the last status stays.
    { auto gone = std::move(worker.updates); }
    EXPECT_FALSE(handle.drain_updates().changed);
    EXPECT_EQ(handle.status(), peer_failed);
}

TEST(SyncRequest, CanonicalVideoUrl)
{
    struct Case {
        std::string text;
        std::optional<std::string> canonical;
    };
    std::string long_rest(232, 'a');
    std::vector<Case> cases {
        { "https://www.youtube.com/@creator", "https://www.youtube.com/@creator" },
        { "  https://m.youtube.com/@creator \n", "https://www.youtube.com/@creator" },
        { "https://youtube.com/channel/UC1", "https://www.youtube.com/channel/UC1" },
        { "https://www.youtube.com/" + long_rest, "https://www.youtube.com/" + long_rest },
        { "https://www.youtube.com/" + long_rest + "a", std::nullopt },
        { "https://www.youtube.com/", std::nullopt },
        { "http://www.youtube.com/@creator", std::nullopt },
        { "https://example.com/@creator", std::nullopt },
        { "https://www.youtube.com.evil/@c", std::nullopt },
        { "https://www.youtube.com/@a\tb", std::nullopt },
        { "https://www.youtube.com/@a\x7f", std::nullopt },
        { "https://www.youtube.com/@a\xc2\x85", std::nullopt },
        { "https://www.youtube.com/@caf\xc3\xa9", "https://www.youtube.com/@caf\xc3\xa9" },
        { "@creator", std::nullopt },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(vexa::canonical_video_url(c.text), c.canonical);
    }
}

TEST(SyncRequest, SendsEachSubscriptionAsAnAddressAndTheHistory)
{
    auto model = vexa::VexaModel::empty();
    for (auto [id, handle] : { std::pair { "UCpath", "//@pathname" }, { "UCweb", "https://m.youtube.com/@web" }, { "UCbad", "https://example.com/@bad" } }) {
        vexa::Channel channel;
        channel.id = id;
        channel.name = id;
        channel.handle = handle;
        model.channels.push_back(channel);
    }
    model.subscriptions = { "UCweb", "UCunknown", "UCpath", "https://youtube.com/@direct", "UCbad" };
    model.history = { "v2", "v1" };

    auto payload = vexa::build_sync_request(model);
    EXPECT_EQ(payload.subscriptions, (std::vector<std::string> {
                                         "https://www.youtube.com/@web",
                                         "https://www.youtube.com/@pathname",
                                         "https://www.youtube.com/@direct",
                                     }));
    EXPECT_EQ(payload.history, model.history);
}

}
