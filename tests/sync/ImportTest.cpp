#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "automerge/Document.h"
#include "src/actions/LibraryReader.h"
#include "src/history/HistoryStore.h"
#include "src/model/VexaModel.h"
#include "src/sync/PulledImport.h"

using namespace vexa;
using namespace vexa::sync;

namespace {

constexpr uint64_t now = 1'700'000'000'000;

Channel channel(std::string id, std::string handle)
{
    Channel known;
    known.id = std::move(id);
    known.handle = std::move(handle);
    return known;
}

std::string watch_url(int i) { return "https://www.youtube.com/watch?v=v" + std::to_string(i); }

class Import : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vexa-import-XXXXXX";
        m_root = ::mkdtemp(pattern);
        m_history = HistoryStore::open_in(m_model.owner_id, m_root);
        m_history.set_clock([] { return now - 1'000'000; });
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    ImportPlan plan(std::vector<SyncPayload> const& payloads) const
    {
        return plan_pulled_import(payloads, m_model, m_history.document(), m_model.owner_id, now);
    }
    std::vector<std::string> planned_videos(ImportPlan const& plan) const
    {
        std::vector<std::string> ids;
        for (auto const& action : plan.history)
            ids.push_back(action.set_entry()->video_id);
        return ids;
    }
    std::vector<std::string> planned_channels(ImportPlan const& plan) const
    {
        std::vector<std::string> ids;
        for (auto const& action : plan.subscriptions)
            ids.push_back(action.get_if<VexaAction::SetSubscription>()->channel_id);
        return ids;
    }

    std::filesystem::path m_root;
    VexaModel m_model;
    HistoryStore m_history = HistoryStore::in_memory();
    automerge::Document m_library;
};

}

TEST(VideoUrls, CanonicalForm)
{
    struct Case {
        std::string input;
        std::optional<std::string> expected;
    };
    std::string const rest_232(232 - 8, 'a');
    std::vector<Case> const cases {
        { "https://www.youtube.com/channel/UC1", "https://www.youtube.com/channel/UC1" },
        { "  https://m.youtube.com/@name\t\n", "https://www.youtube.com/@name" },
        { "https://youtube.com/watch?v=x", "https://www.youtube.com/watch?v=x" },
        { "https://www.youtube.com/channel/" + rest_232, "https://www.youtube.com/channel/" + rest_232 },
        { "https://www.youtube.com/channel/" + rest_232 + "b", std::nullopt },
        { "https://www.youtube.com/", std::nullopt },
        { "http://www.youtube.com/@name", std::nullopt },
        { "https://music.youtube.com/@name", std::nullopt },
        { "https://www.youtube.com.evil/@name", std::nullopt },
        { "https://www.youtube.com/@na\x01me", std::nullopt },
        { "https://www.youtube.com/@na\x7fme", std::nullopt },
        { "https://www.youtube.com/@na\xc2\x85me", std::nullopt },
        { "https://www.youtube.com/@caf\xc3\xa9", "https://www.youtube.com/@caf\xc3\xa9" },
        { "UCplain", std::nullopt },
    };
    for (auto const& test : cases)
        EXPECT_EQ(canonical_video_url(test.input), test.expected) << test.input;
}

TEST(VideoUrls, WhatAPassSends)
{
    VexaModel model;
    model.channels = {
        channel("UCweb", "https://m.youtube.com/@web"),
        channel("UCpath", "//@path"),
        channel("UCbad", "http://elsewhere.example/x"),
    };
    model.subscriptions = { "UCweb", "UCpath", "UCbad", "https://youtube.com/@direct", "UCunknown" };
    model.history = { "a", "b" };
    EXPECT_EQ(subscription_address(model, "UCweb"), "https://www.youtube.com/@web");
    EXPECT_EQ(subscription_address(model, "UCpath"), "https://www.youtube.com/@path");
    EXPECT_EQ(subscription_address(model, "UCbad"), std::nullopt);
    EXPECT_EQ(subscription_address(model, "UCunknown"), std::nullopt);
    auto request = build_sync_request(model);
    EXPECT_EQ(request.subscriptions,
        (std::vector<std::string> { "https://www.youtube.com/@web", "https://www.youtube.com/@path", "https://www.youtube.com/@direct" }));
    EXPECT_EQ(request.history, model.history);
}

TEST_F(Import, SubscriptionsAreBoundedAndSkipWhatIsHeld)
{
    m_model.channels = { channel("UCknown", "@known"), channel("UCother", "@other") };
    m_model.subscriptions = { "https://www.youtube.com/@held", "UCknown" };
    SyncPayload payload;
    payload.subscriptions = { " https://m.youtube.com/@held ", "https://www.youtube.com/@known", "https://www.youtube.com/@other",
        "https://elsewhere.example/@x", "https://www.youtube.com/@twice", "https://youtube.com/@twice", "https://www.youtube.com/\xff" };
    for (int i = 0; i < 150; ++i)
        payload.subscriptions.push_back("https://www.youtube.com/channel/UC" + std::to_string(i));
    auto const planned = planned_channels(plan({ payload }));
    // Of the first 100: the held ones and the foreign host are skipped, the repeat is kept (the
    // library is read again only after the frame), and the text that is not UTF-8 is refused.
    ASSERT_EQ(planned.size(), 3u + 93u);
    EXPECT_EQ(planned[0], "https://www.youtube.com/@other");
    EXPECT_EQ(planned[1], "https://www.youtube.com/@twice");
    EXPECT_EQ(planned[2], "https://www.youtube.com/@twice");
    EXPECT_EQ(planned.back(), "https://www.youtube.com/channel/UC92");
}

TEST_F(Import, HistoryTimesFollowTheDevicesOrder)
{
    SyncPayload payload;
    payload.history = { watch_url(1), watch_url(1), " " + watch_url(1) + " ", watch_url(2), "", std::string(257, 'x'), "bad\ncontrol",
        std::string(256, 'y') };
    for (int i = 0; i < 120; ++i)
        payload.history.push_back(watch_url(100 + i));
    auto const planned = plan({ payload, SyncPayload { {}, { watch_url(2), watch_url(3) } } });
    auto const ids = planned_videos(planned);
    ASSERT_EQ(ids.size(), 3u + 92u + 1u);
    EXPECT_EQ(ids[0], watch_url(1));
    EXPECT_EQ(ids[1], watch_url(2));
    EXPECT_EQ(ids[2], std::string(256, 'y'));
    EXPECT_EQ(ids.back(), watch_url(3));
    auto const& first = *planned.history[0].set_entry();
    EXPECT_EQ(first.watched_at_ms, now);
    EXPECT_EQ(first.mutation_id, m_model.owner_id + ":device-sync:" + watch_url(1) + ":" + std::to_string(now));
    EXPECT_EQ(planned.history[1].set_entry()->watched_at_ms, now - 3);
    EXPECT_EQ(planned.history[2].set_entry()->watched_at_ms, now - 7);
    // The second payload counts from its own start.
    EXPECT_EQ(planned.history.back().set_entry()->watched_at_ms, now - 1);
}

TEST_F(Import, HistoryKnownToTheStoreIsNeverStampedAgain)
{
    // Sixty watches (more than the list shows), one removed and everything before a clear.
    std::vector<OwnerHistoryAction> actions;
    for (int i = 0; i < 60; ++i)
        actions.push_back(OwnerHistoryAction::watch(m_model.owner_id, watch_url(i), now - 500'000 + static_cast<uint64_t>(i)));
    actions.push_back(OwnerHistoryAction::remove(m_model.owner_id, watch_url(59), now - 400'000));
    ASSERT_TRUE(m_history.apply_actions(actions));
    ASSERT_TRUE(m_history.apply_action(OwnerHistoryAction::clear_all(m_model.owner_id, now - 300'000)));
    for (auto const& entry : m_history.history_list())
        m_model.history.push_back(entry.video_id);
    ASSERT_TRUE(m_model.history.empty());

    auto const planned = plan({ SyncPayload { {}, { watch_url(0), watch_url(59), watch_url(30), watch_url(77) } } });
    EXPECT_EQ(planned_videos(planned), std::vector<std::string> { watch_url(77) });
}

TEST_F(Import, OneFrameIsOneLibraryChangeAndOneHistoryWrite)
{
    SyncPayload payload { { "https://www.youtube.com/@a", "https://m.youtube.com/@b" }, { watch_url(1), watch_url(2) } };
    auto const planned = plan({ payload });
    auto const changes_before = m_library.changes().size();
    auto outcome = apply_pulled_import(planned, m_library, m_history);
    EXPECT_EQ(outcome.subscriptions_imported, 2u);
    EXPECT_EQ(outcome.history_imported, 2u);
    EXPECT_FALSE(outcome.library_failed || outcome.history_failed);
    EXPECT_EQ(m_library.changes().size(), changes_before + 1);
    EXPECT_EQ(library_snapshot(m_library).subscriptions, (std::vector<std::string> { "https://www.youtube.com/@a", "https://www.youtube.com/@b" }));
    ASSERT_EQ(m_history.history_list().size(), 2u);
    EXPECT_EQ(m_history.history_list()[0], (HistoryListEntry { watch_url(1), now }));

    // The next pass brings the same items: once the model has read them back, nothing is planned.
    read_shared_library(m_library, m_model);
    m_model.history = { watch_url(1), watch_url(2) };
    EXPECT_TRUE(plan({ payload }).empty());
    m_model.history.clear();
    EXPECT_TRUE(planned_videos(plan({ payload })).empty());
}

TEST_F(Import, AFailedHistoryWriteRollsTheWholeFrameBack)
{
    // The store's file turns into a directory: the write fails after the entries were dispatched.
    ASSERT_TRUE(m_history.apply_action(OwnerHistoryAction::watch(m_model.owner_id, watch_url(9), now - 10)));
    auto const path = *m_history.path();
    auto const heads = m_history.document().heads();
    std::filesystem::remove(path);
    std::filesystem::create_directories(path / "in-the-way");
    auto outcome = apply_pulled_import(plan({ SyncPayload { {}, { watch_url(1), watch_url(2) } } }), m_library, m_history);
    EXPECT_TRUE(outcome.history_failed);
    EXPECT_EQ(outcome.history_imported, 0u);
    EXPECT_EQ(m_history.document().heads(), heads);
    EXPECT_EQ(m_history.history_list().size(), 1u);
}

// The two writes of a plan with both halves run side by side, the library's on a thread of its
// own, and both are done when the call returns; a plan with one half runs both on the caller's.
TEST(ImportWrites, RunSideBySideOnlyWhenThePlanHasBothHalves)
{
    ImportPlan both;
    both.subscriptions.push_back(VexaAction::SetSubscription { "https://www.youtube.com/@a", true });
    both.history.push_back(OwnerHistoryAction::device_sync("owner", watch_url(1), now));
    ImportPlan history_only;
    history_only.history = both.history;

    auto const caller = std::this_thread::get_id();
    for (auto const* plan : { &both, &history_only }) {
        std::thread::id library_thread;
        std::thread::id history_thread;
        std::atomic<bool> library_done { false };
        write_import(
            *plan,
            [&] {
                library_thread = std::this_thread::get_id();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                library_done = true;
            },
            [&] { history_thread = std::this_thread::get_id(); });
        EXPECT_TRUE(library_done);
        EXPECT_EQ(history_thread, caller);
        if (plan == &both)
            EXPECT_NE(library_thread, caller);
        else
            EXPECT_EQ(library_thread, caller);
    }
}
