#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include "src/sync/Base64.h"
#include "src/sync/DeviceSyncStart.h"
#include "src/sync/DeviceSyncWorker.h"
#include "src/sync/PeerStore.h"
#include "tests/sync/FakeProvider.h"
#include "tests/sync/WorkerCommands.h"

using namespace vexa::sync;
using namespace vexa::sync::test;
using namespace std::chrono_literals;

namespace {

std::string key_text(uint8_t byte)
{
    return encode_base64_standard(std::vector<uint8_t>(32, byte));
}

// The same key in the URL-safe alphabet without padding, as another invite may give it.
std::string url_safe_key_text(uint8_t byte)
{
    auto text = key_text(byte);
    for (auto& c : text) {
        if (c == '+')
            c = '-';
        else if (c == '/')
            c = '_';
    }
    while (text.ends_with('='))
        text.pop_back();
    return text;
}

PeerRecord active_record(uint8_t byte, int32_t port = 12315)
{
    PeerRecord record;
    record.id = key_text(byte);
    record.name = "Grayjay " + record.id.substr(0, 8);
    record.descriptor = { record.id, { "192.0.2.1" }, port };
    record.approved_at = 1;
    return record;
}

class Worker : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vexa-worker-XXXXXX";
        m_root = ::mkdtemp(pattern);
        m_store = m_root / "state" / "kaso-vexa" / "grayjay-peers.json";
        m_shared = std::make_shared<FakeProvider::Shared>();
    }
    void TearDown() override
    {
        m_worker.reset();
        release_pulls(*m_shared);
        std::filesystem::remove_all(m_root);
    }

    void start(std::chrono::milliseconds interval = 300s)
    {
        auto worker = DeviceSyncWorker::start(std::make_unique<FakeProvider>(m_shared), key_text(99), { m_store, interval, {} });
        ASSERT_TRUE(worker.has_value());
        m_worker.emplace(std::move(*worker));
    }

    // Takes updates until a status with this message arrives; the statuses seen on the way are
    // kept in m_statuses and the payloads in m_pulled.
    std::optional<DeviceSyncStatus> status_saying(std::string const& message, std::chrono::milliseconds timeout = 5s)
    {
        auto const deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            for (auto& update : m_worker->take_updates()) {
                if (auto* pulled = std::get_if<DeviceSyncUpdate::Pulled>(&update.value)) {
                    m_pulled.push_back(std::move(pulled->payload));
                    continue;
                }
                auto const& status = std::get<DeviceSyncStatus>(update.value);
                m_statuses.push_back(status);
                if (status.message == message)
                    return status;
            }
            std::this_thread::sleep_for(5ms);
        }
        return std::nullopt;
    }

    std::vector<std::string> calls() const
    {
        std::lock_guard lock(m_shared->mutex);
        return m_shared->log.calls;
    }

    void script(auto&& change)
    {
        std::lock_guard lock(m_shared->mutex);
        change(m_shared->script);
    }

    std::filesystem::path m_root;
    std::filesystem::path m_store;
    std::shared_ptr<FakeProvider::Shared> m_shared;
    std::optional<DeviceSyncWorker> m_worker;
    std::vector<DeviceSyncStatus> m_statuses;
    std::vector<SyncPayload> m_pulled;
};

}

TEST_F(Worker, NinthCommandIsRefusedWhileAPassHoldsTheQueue)
{
    ASSERT_TRUE(PeerStore::save(m_store, std::vector { active_record(1) }).has_value());
    script([](auto& s) { s.hold_pulls = true; });
    start();
    ASSERT_TRUE(status_saying("Approved devices are ready to sync.").has_value());
    ASSERT_TRUE(m_worker->send(sync_now_command({})));
    ASSERT_TRUE(wait_for_held_pulls(*m_shared, 1));
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(m_worker->send(approve_command("nobody"))) << i;
    EXPECT_FALSE(m_worker->send(approve_command("nobody")));
    release_pulls(*m_shared);
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value());
    // The queue drains: there is room again.
    bool accepted = false;
    for (int i = 0; i < 200 && !accepted; ++i) {
        accepted = m_worker->send(approve_command("nobody"));
        if (!accepted)
            std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(accepted);
}

TEST_F(Worker, ShutdownDuringAPassEndsAfterThePeerInHand)
{
    ASSERT_TRUE(PeerStore::save(m_store, std::vector { active_record(1), active_record(2) }).has_value());
    script([](auto& s) { s.hold_pulls = true; });
    start();
    ASSERT_TRUE(m_worker->send(sync_now_command({})));
    ASSERT_TRUE(m_worker->send(sync_now_command({})));
    ASSERT_TRUE(wait_for_held_pulls(*m_shared, 1));
    m_worker->shutdown();
    EXPECT_FALSE(m_worker->send(sync_now_command({})));
    release_pulls(*m_shared);
    ASSERT_TRUE(m_worker->wait_until_ended(5s));
    // The second peer and the queued pass never ran; what the first gave was still saved.
    EXPECT_EQ(calls(), (std::vector<std::string> { "restore " + key_text(1), "restore " + key_text(2), "pull " + key_text(1),
                           "push " + key_text(1) }));
    auto records = PeerStore::load(m_store).value();
    EXPECT_TRUE(records[0].last_sync_at.has_value());
    EXPECT_FALSE(records[1].last_sync_at.has_value());
}

TEST_F(Worker, FailedRestoreAtStartIsShownAndEndsTheWorker)
{
    auto broken = active_record(2, 0);
    ASSERT_TRUE(PeerStore::save(m_store, std::vector { active_record(1), broken }).has_value());
    start();
    auto status = status_saying("Could not restore " + broken.name + ": peer store error: stored peer connection metadata is invalid");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->state, DeviceSyncState::NeedsAttention);
    EXPECT_EQ(status->peers.size(), 2u);
    EXPECT_EQ(status->local_key, key_text(99));
    ASSERT_TRUE(m_worker->wait_until_ended(5s));
    EXPECT_FALSE(m_worker->send(sync_now_command({})));
}

TEST_F(Worker, UnreadablePeerStoresEndTheWorkerWithTheirError)
{
    struct Case {
        char const* what;
        std::function<void(std::filesystem::path const&)> make;
        std::string message;
    };
    std::vector<Case> cases {
        { "directory", [](auto const& path) { std::filesystem::create_directories(path); }, "peer store error: invalid peer store" },
        { "fifo", [](auto const& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "peer store error: invalid peer store" },
        { "version", [](auto const& path) { std::ofstream(path) << R"({"version":2,"peers":[]})"; }, "peer store error: unsupported peer store version" },
    };
    for (auto const& test : cases) {
        std::filesystem::remove_all(m_store);
        std::filesystem::create_directories(m_store.parent_path());
        test.make(m_store);
        start();
        auto status = status_saying(test.message);
        ASSERT_TRUE(status.has_value()) << test.what;
        EXPECT_EQ(status->state, DeviceSyncState::NeedsAttention) << test.what;
        EXPECT_TRUE(status->peers.empty()) << test.what;
        EXPECT_TRUE(m_worker->wait_until_ended(5s)) << test.what;
    }
}

TEST_F(Worker, PairApproveAndRevokeMatchDevicesByKeyBytes)
{
    auto const id = key_text(7);
    script([&](auto& s) {
        s.pairings.emplace("invite-a", id);
        s.pairings.emplace("invite-b", url_safe_key_text(7));
    });
    start();
    ASSERT_TRUE(status_saying("Paste a Grayjay pairing invite to add your first device.").has_value());

    ASSERT_TRUE(m_worker->send(pair_command("invite-a")));
    auto paired = status_saying("Device authenticated. Review its fingerprint and approve access.");
    ASSERT_TRUE(paired.has_value());
    ASSERT_EQ(paired->peers.size(), 1u);
    EXPECT_EQ(paired->peers[0].name, "Grayjay " + id.substr(0, 8));
    EXPECT_TRUE(paired->peers[0].pending_approval);
    ASSERT_EQ(m_statuses.size(), 3u);
    EXPECT_EQ(m_statuses[1].message, "Waiting for approval on the other device…");
    EXPECT_EQ(m_statuses[1].state, DeviceSyncState::Pairing);
    EXPECT_EQ(paired->state, DeviceSyncState::Ready);

    // The same device again, under the URL-safe form of its key, while still pending: refused.
    ASSERT_TRUE(m_worker->send(pair_command("invite-b")));
    auto refused = status_saying("peer was revoked on this device");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->peers.size(), 1u);

    // Unknown ids change nothing and post nothing.
    m_statuses.clear();
    ASSERT_TRUE(m_worker->send(approve_command("unknown")));
    ASSERT_TRUE(m_worker->send(revoke_command("unknown")));
    ASSERT_TRUE(m_worker->send(approve_command(id)));
    auto approved = status_saying("Device approved. Sync is ready.");
    ASSERT_TRUE(approved.has_value());
    EXPECT_EQ(m_statuses.size(), 1u);
    EXPECT_FALSE(approved->peers[0].pending_approval);
    EXPECT_EQ(PeerStore::load(m_store).value(), approved->peers);

    ASSERT_TRUE(m_worker->send(revoke_command(url_safe_key_text(7))));
    auto revoked = status_saying("Device revoked. Its key can no longer sync.");
    ASSERT_TRUE(revoked.has_value());
    EXPECT_TRUE(revoked->peers[0].revoked_at.has_value());
    auto const log = calls();
    EXPECT_EQ(log.back(), "forget " + url_safe_key_text(7));
    {
        std::lock_guard lock(m_shared->mutex);
        EXPECT_TRUE(m_shared->log.table.empty());
    }
    // Approving a revoked record changes nothing.
    m_statuses.clear();
    ASSERT_TRUE(m_worker->send(approve_command(id)));
    ASSERT_TRUE(m_worker->send(sync_now_command({})));
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value());
    EXPECT_EQ(m_statuses.size(), 2u); // the pass's two statuses only
}

TEST_F(Worker, ApprovalChecksTheRecordBeforeSavingIt)
{
    auto pending = active_record(3, 0);
    pending.pending_approval = true;
    ASSERT_TRUE(PeerStore::save(m_store, std::vector { pending }).has_value());
    start();
    ASSERT_TRUE(m_worker->send(approve_command(pending.id)));
    auto status = status_saying("peer store error: stored peer connection metadata is invalid");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->state, DeviceSyncState::NeedsAttention);
    EXPECT_TRUE(PeerStore::load(m_store).value()[0].pending_approval);
}

TEST_F(Worker, PairingAtTheRecordLimitForgetsThePeer)
{
    std::vector<PeerRecord> records;
    for (uint8_t i = 0; i < 64; ++i)
        records.push_back(active_record(static_cast<uint8_t>(i + 1)));
    records[0].descriptor.addresses = { "192.0.2.200" };
    ASSERT_TRUE(PeerStore::save(m_store, records).has_value());
    script([&](auto& s) {
        s.pairings.emplace("new", key_text(200));
        s.pairings.emplace("known", key_text(1));
    });
    start();
    ASSERT_TRUE(m_worker->send(pair_command("new")));
    ASSERT_TRUE(status_saying("peer store error: the approved-device limit has been reached").has_value());
    EXPECT_EQ(calls().back(), "forget " + key_text(200));
    // A known active device pairs again: its record is updated (new route, pending again).
    ASSERT_TRUE(m_worker->send(pair_command("known")));
    auto status = status_saying("Device authenticated. Review its fingerprint and approve access.");
    ASSERT_TRUE(status.has_value());
    ASSERT_EQ(status->peers.size(), 64u);
    EXPECT_EQ(status->peers[0].descriptor.addresses, (std::vector<std::string> { "192.0.2.1" }));
    EXPECT_TRUE(status->peers[0].pending_approval);
    EXPECT_EQ(status->peers[0].approved_at, 1u);
}

// Each peer's pull, push and failure, and what the pass reports and keeps.
TEST_F(Worker, PassOutcomesPerPeer)
{
    ASSERT_TRUE(PeerStore::save(m_store, std::vector { active_record(1), active_record(2), active_record(3), active_record(4) }).has_value());
    script([](auto& s) {
        s.pulls.emplace(key_text(1), PullResult { { { "sub-a", "sub-b" }, { "video-1" } }, std::nullopt });
        // Cut short: what arrived is kept, the peer is not pushed to and not marked synced.
        s.pulls.emplace(key_text(2), PullResult { { { "sub-b", "sub-c" }, {} }, DeviceSyncError::transport("io: failed to fill whole buffer") });
        s.pulls.emplace(key_text(3), sync_error(DeviceSyncError::transport("io: Connection refused (os error 111)")));
        s.push_failures.emplace(key_text(4), DeviceSyncError::transport("io: Broken pipe (os error 32)"));
    });
    start();
    SyncPayload ours { { "https://www.youtube.com/@mine" }, {} };
    ASSERT_TRUE(m_worker->send(sync_now_command(ours)));
    auto status = status_saying("3 device operation(s) failed");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->state, DeviceSyncState::NeedsAttention);
    EXPECT_EQ(m_statuses[m_statuses.size() - 2].state, DeviceSyncState::Syncing);
    ASSERT_EQ(m_pulled.size(), 1u);
    EXPECT_EQ(m_pulled[0], (SyncPayload { { "sub-a", "sub-b", "sub-c" }, { "video-1" } }));
    EXPECT_EQ(calls(), (std::vector<std::string> { "restore " + key_text(1), "restore " + key_text(2), "restore " + key_text(3),
                           "restore " + key_text(4), "pull " + key_text(1), "push " + key_text(1), "pull " + key_text(2), "pull " + key_text(3),
                           "pull " + key_text(4), "push " + key_text(4) }));
    EXPECT_EQ(m_shared->pushed[0], ours);

    auto const& peers = status->peers;
    EXPECT_TRUE(peers[0].last_sync_at && !peers[0].last_error);
    EXPECT_EQ(peers[1].last_error, "transport error: io: failed to fill whole buffer");
    EXPECT_FALSE(peers[1].last_sync_at);
    EXPECT_EQ(peers[2].last_error, "transport error: io: Connection refused (os error 111)");
    EXPECT_EQ(peers[3].last_error, "transport error: io: Broken pipe (os error 32)");
    EXPECT_EQ(PeerStore::load(m_store).value(), peers);
}

TEST_F(Worker, FailedSaveAfterAPassIsCountedOnTheFirstRecord)
{
    ASSERT_TRUE(PeerStore::save(m_store, std::vector { active_record(1) }).has_value());
    start();
    ASSERT_TRUE(status_saying("Approved devices are ready to sync.").has_value());
    // The store's directory becomes unwritable for the worker: a file where its parent was.
    std::filesystem::remove_all(m_store.parent_path());
    std::ofstream(m_store.parent_path()) << "in the way";
    ASSERT_TRUE(m_worker->send(sync_now_command({})));
    auto status = status_saying("1 device operation(s) failed");
    ASSERT_TRUE(status.has_value());
    ASSERT_TRUE(status->peers[0].last_error.has_value());
    EXPECT_TRUE(status->peers[0].last_error->starts_with("peer store error: ")) << *status->peers[0].last_error;
}

TEST_F(Worker, PassRepeatsWithTheLastPayloadWhenIdle)
{
    ASSERT_TRUE(PeerStore::save(m_store, std::vector { active_record(1) }).has_value());
    start(150ms);
    // No pass before the first SyncNow, however long the worker waits.
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(calls().size(), 1u);
    ASSERT_TRUE(m_worker->send(sync_now_command({ { "first" }, {} })));
    ASSERT_TRUE(m_worker->send(sync_now_command({ { "second" }, {} })));
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value());
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value());
    ASSERT_TRUE(status_saying("Device sync is up to date.").has_value());
    std::lock_guard lock(m_shared->mutex);
    ASSERT_GE(m_shared->pushed.size(), 3u);
    EXPECT_EQ(m_shared->pushed[2].subscriptions, std::vector<std::string> { "second" });
}

namespace {

// Every update of a started worker until it posts a status whose message is not the loading one
// (at most 10 s).
std::optional<DeviceSyncStatus> first_worker_status(DeviceSyncWorker& worker)
{
    auto const deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        for (auto& update : worker.take_updates()) {
            if (auto* status = std::get_if<DeviceSyncStatus>(&update.value))
                return *status;
        }
        std::this_thread::sleep_for(2ms);
    }
    return std::nullopt;
}

}

// The key is made on the worker's thread: the start returns with the loading status, and the
// worker's first status brings the key or says why there is none, in the texts of a start that
// fails on the spot. Only a thread that cannot be made fails the start itself.
TEST(DeviceSyncStart, KeyFailuresArriveAsTheWorkersFirstStatus)
{
    char pattern[] = "/tmp/vexa-start-XXXXXX";
    std::filesystem::path root = ::mkdtemp(pattern);
    auto secret_of = [](std::size_t size) {
        return [size](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> { return std::vector<uint8_t>(size, 5); };
    };
    DeviceSyncSeams seams;
    seams.peer_store_path = root / "peers.json";
    DeviceSyncStatus const loading { "Loading approved devices…", {}, std::nullopt, DeviceSyncState::Ready };

    struct Case {
        char const* what;
        SecretSource secrets;
        std::string message;
    };
    Case const failures[] = {
        { "short material", secret_of(15), "device key unavailable: host secret broker returned insufficient key material" },
        { "portal refusal", [](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> { return kaso::make_error("secret portal: the request was refused"); },
            "device key unavailable: secret portal: the request was refused" },
    };
    for (auto const& failure : failures) {
        seams.secrets = failure.secrets;
        auto started = start_device_sync_worker("Kaso Vexa", seams);
        ASSERT_TRUE(started.worker.has_value()) << failure.what;
        EXPECT_EQ(started.status, loading) << failure.what;
        auto status = first_worker_status(*started.worker);
        ASSERT_TRUE(status.has_value()) << failure.what;
        EXPECT_EQ(*status, (DeviceSyncStatus { failure.message, {}, std::nullopt, DeviceSyncState::Unavailable })) << failure.what;
        EXPECT_TRUE(started.worker->wait_until_ended(5s)) << failure.what;
        EXPECT_FALSE(started.worker->send(DeviceSyncCommand { DeviceSyncCommand::Approve { "x" } })) << failure.what;
    }
    EXPECT_FALSE(std::filesystem::exists(root / "peers.json"));

    seams.secrets = secret_of(16);
    seams.spawn = [](std::function<void()>) { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); };
    auto no_thread = start_device_sync_worker("Kaso Vexa", seams);
    EXPECT_FALSE(no_thread.worker.has_value());
    EXPECT_EQ(no_thread.status.message, "Could not start the device-sync worker.");
    EXPECT_EQ(no_thread.status.state, DeviceSyncState::Unavailable);

    seams.spawn = {};
    auto started = start_device_sync_worker("Kaso Vexa", seams);
    ASSERT_TRUE(started.worker.has_value());
    EXPECT_EQ(started.status, loading);
    auto ready = first_worker_status(*started.worker);
    ASSERT_TRUE(ready.has_value());
    EXPECT_EQ(ready->message, "Paste a Grayjay pairing invite to add your first device.");
    EXPECT_EQ(ready->state, DeviceSyncState::Ready);
    ASSERT_TRUE(ready->local_key.has_value());
    EXPECT_EQ(ready->local_key->size(), 44u);
    started.worker->shutdown();
    EXPECT_TRUE(started.worker->wait_until_ended(5s));
    std::filesystem::remove_all(root);
}

// A portal that takes its time holds up only the worker: the start returns while the secret is
// still being asked for, and a command sent meanwhile is served once the key is there.
TEST(DeviceSyncStart, ReturnsBeforeThePortalAnswers)
{
    char pattern[] = "/tmp/vexa-start-XXXXXX";
    std::filesystem::path root = ::mkdtemp(pattern);
    std::mutex mutex;
    std::condition_variable answered;
    bool asked = false;
    bool released = false;
    bool answered_key = false;
    DeviceSyncSeams seams;
    seams.peer_store_path = root / "peers.json";
    seams.secrets = [&](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> {
        std::unique_lock lock(mutex);
        asked = true;
        answered.notify_all();
        answered.wait_for(lock, 10s, [&] { return released; });
        answered_key = true;
        return std::vector<uint8_t>(32, 7);
    };

    auto started = start_device_sync_worker("Kaso Vexa", seams);
    ASSERT_TRUE(started.worker.has_value());
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(answered.wait_for(lock, 5s, [&] { return asked; }));
        EXPECT_FALSE(answered_key) << "the start waited for the secret";
    }
    EXPECT_EQ(started.status.message, "Loading approved devices…");
    EXPECT_TRUE(started.worker->take_updates().empty());
    ASSERT_TRUE(started.worker->send(sync_now_command({ {}, {} })));
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    answered.notify_all();
    auto const deadline = std::chrono::steady_clock::now() + 10s;
    std::vector<std::string> messages;
    while ((messages.empty() || messages.back() != "Device sync is up to date.") && std::chrono::steady_clock::now() < deadline) {
        for (auto& update : started.worker->take_updates()) {
            if (auto* status = std::get_if<DeviceSyncStatus>(&update.value)) {
                messages.push_back(status->message);
                EXPECT_TRUE(status->local_key.has_value());
            }
        }
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(messages, (std::vector<std::string> { "Paste a Grayjay pairing invite to add your first device.", "Syncing approved devices…", "Device sync is up to date." }));
    started.worker->shutdown();
    EXPECT_TRUE(started.worker->wait_until_ended(5s));
    std::filesystem::remove_all(root);
}

TEST(DeviceSyncStart, ThreadNameFitsTheSystemLimit)
{
    EXPECT_EQ(system_thread_name(DeviceSyncWorker::thread_name), "vexa-grayjay-sy");
    EXPECT_EQ(system_thread_name("short"), "short");
}
