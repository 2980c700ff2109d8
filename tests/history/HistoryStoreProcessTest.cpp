// The history file across processes: a writer killed at any moment leaves a file that loads and
// holds everything it reported, and two instances writing at once keep each other's watches.

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "src/history/HistoryReaders.h"
#include "src/history/HistoryStore.h"
#include "tests/history/Support.h"

namespace fs = std::filesystem;
using vexa::HistoryStore;
using vexa::OwnerHistoryAction;

namespace {

constexpr std::string_view owner = "user:feedfacefeedfacefeedfacefeedface";

size_t entry_count(HistoryStore const& store, std::string_view prefix)
{
    size_t count = 0;
    for (auto const& entry : vexa::resolved_entries(store.document(), vexa::owner_history_map(store.document())))
        count += entry.video_id.starts_with(prefix) && entry.record.present;
    return count;
}

std::vector<std::string> temporaries(fs::path const& directory)
{
    std::vector<std::string> out;
    for (auto const& entry : fs::directory_iterator(directory))
        if (entry.path().filename().string().ends_with(".tmp"))
            out.push_back(entry.path().filename().string());
    return out;
}

// Reads every index the child reported; the last one, or -1 when none came.
int drain_reports(int fd)
{
    int last = -1;
    int32_t value = 0;
    while (::read(fd, &value, sizeof value) == sizeof value)
        last = value;
    return last;
}

}

TEST(HistoryStoreProcesses, KilledWriterNeverLosesAReportedWatch)
{
    vexa::testing::ScratchDirectory scratch("vexa-history-crash");
    auto file = HistoryStore::path_for(scratch.path(), owner);
    std::mt19937 random(20261211);
    constexpr int actions = 200;
    std::vector<size_t> counts;

    for (int round = 0; round < 6; ++round) {
        int reports[2];
        ASSERT_EQ(::pipe(reports), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(reports[0]);
            auto store = HistoryStore::open_in(std::string(owner), scratch.path());
            for (int32_t i = 0; i < actions; ++i) {
                if (!store.apply_action(OwnerHistoryAction::watch(owner, fmt::format("r{}-{:03}", round, i), 1000000u + round * 1000u + i)))
                    ::_exit(2);
                if (::write(reports[1], &i, sizeof i) != sizeof i)
                    ::_exit(3);
            }
            ::_exit(0);
        }
        ::close(reports[1]);
        // Wait for the first report, so the kill lands among the writes, then a seeded delay.
        pollfd ready { reports[0], POLLIN, 0 };
        ASSERT_EQ(::poll(&ready, 1, 30000), 1);
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 150000)(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        int last = drain_reports(reports[0]);
        ::close(reports[0]);
        bool finished = WIFEXITED(status);
        if (finished) {
            ASSERT_EQ(WEXITSTATUS(status), 0) << "round " << round;
        }

        auto store = HistoryStore::open_in(std::string(owner), scratch.path());
        ASSERT_TRUE(store.is_persistent()) << "round " << round << ": " << store.recovery_error().value_or("");
        auto count = entry_count(store, fmt::format("r{}-", round));
        // Everything reported is there, and at most the one action in flight beyond it.
        EXPECT_GE(count, static_cast<size_t>(last + 1)) << "round " << round;
        EXPECT_LE(count, static_cast<size_t>(last + 2)) << "round " << round;
        for (int earlier = 0; earlier < round; ++earlier)
            EXPECT_EQ(entry_count(store, fmt::format("r{}-", earlier)), counts[earlier]) << "round " << earlier << " changed";
        counts.push_back(count);

        // A temporary left by the kill is swept by the next write.
        ASSERT_TRUE(store.apply_action(OwnerHistoryAction::watch(owner, fmt::format("after{}", round), 5)));
        EXPECT_EQ(temporaries(file.parent_path()), std::vector<std::string> {}) << "round " << round;
    }
}

TEST(HistoryStoreProcesses, TwoInstancesKeepEachOthersWatches)
{
    vexa::testing::ScratchDirectory scratch("vexa-history-two");
    constexpr int per_instance = 40;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (char const* name : { "a", "b" }) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(start[1]);
            auto store = HistoryStore::open_in(std::string(owner), scratch.path());
            char go = 0;
            if (::read(start[0], &go, 1) != 0) // both start when the parent closes its end
                ::_exit(4);
            for (int i = 0; i < per_instance; ++i) {
                if (!store.apply_action(OwnerHistoryAction::watch(owner, fmt::format("{}{:02}", name, i), 1000u + i)))
                    ::_exit(2);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);
    for (auto child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    auto store = HistoryStore::open_in(std::string(owner), scratch.path());
    EXPECT_EQ(entry_count(store, "a"), static_cast<size_t>(per_instance));
    EXPECT_EQ(entry_count(store, "b"), static_cast<size_t>(per_instance));
}
