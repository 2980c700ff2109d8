#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <atomic>
#include <thread>

#include "kaso/platform/AtomicFile.h"
#include "kaso/platform/Error.h"
#include "kaso/platform/Queue.h"
#include "kaso/platform/Xdg.h"

TEST(DebugText, QuotesAndEscapes)
{
    struct Case {
        std::string_view input;
        std::string_view expected;
    };
    Case cases[] = {
        { "plain", "\"plain\"" },
        { "", "\"\"" },
        { "say \"hi\"", "\"say \\\"hi\\\"\"" },
        { "C:\\path", "\"C:\\\\path\"" },
        { "line\nbreak\ttab\rreturn", "\"line\\nbreak\\ttab\\rreturn\"" },
        { std::string_view("nul\0byte", 8), "\"nul\\0byte\"" },
        { "\x1b[0m\x7f", "\"\\u{1b}[0m\\u{7f}\"" },
        { "naïve — ok", "\"naïve — ok\"" },
        { "next\u0085line \u009f\u00a0", "\"next\\u{85}line \\u{9f}\u00a0\"" }, // C1 escaped, U+00A0 kept
        { "cut \xC2", "\"cut \xC2\"" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(kaso::debug_text(c.input), c.expected);
}

TEST(Queue, BoundedQueueRefusesWhenFullAndReportsAGoneReceiver)
{
    auto [sender, receiver] = kaso::bounded_queue<int>(2);
    EXPECT_EQ(sender.try_send(1), kaso::SendResult::Sent);
    EXPECT_EQ(sender.try_send(2), kaso::SendResult::Sent);
    EXPECT_EQ(sender.try_send(3), kaso::SendResult::Full);
    EXPECT_EQ(receiver.try_receive(), 1);
    EXPECT_EQ(sender.try_send(4), kaso::SendResult::Sent);
    EXPECT_EQ(receiver.try_receive(), 2);
    EXPECT_EQ(receiver.try_receive(), 4);
    EXPECT_EQ(receiver.try_receive(), std::nullopt);
    { auto gone = std::move(receiver); }
    EXPECT_EQ(sender.try_send(5), kaso::SendResult::Closed);
    EXPECT_TRUE(sender.is_closed());
}

TEST(Queue, ReceiverSeesTheEndOnceEverySenderIsGoneAndTheQueueDrained)
{
    auto [sender, receiver] = kaso::unbounded_queue<std::string>();
    auto copy = sender;
    std::thread worker([s = std::move(copy)]() mutable {
        for (int i = 0; i < 100; ++i)
            s.try_send(std::to_string(i));
    });
    sender = kaso::Sender<std::string> {};
    int received = 0;
    while (auto value = receiver.receive())
        EXPECT_EQ(*value, std::to_string(received++));
    worker.join();
    EXPECT_EQ(received, 100);
    EXPECT_TRUE(receiver.is_disconnected());
}

TEST(Queue, BlockingSendWaitsForRoomAndEndsWithTheReceiver)
{
    auto [sender, receiver] = kaso::bounded_queue<int>(1);
    ASSERT_EQ(sender.send(1), kaso::SendResult::Sent);
    std::atomic<bool> second_sent { false };
    std::thread producer([&, s = sender]() mutable {
        EXPECT_EQ(s.send(2), kaso::SendResult::Sent);
        second_sent = true;
        EXPECT_EQ(s.send(3), kaso::SendResult::Closed); // waits, then the receiver goes away
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(second_sent); // the queue is full: the producer waits
    EXPECT_EQ(receiver.receive(), 1);
    while (!second_sent)
        std::this_thread::yield();
    { auto gone = std::move(receiver); }
    producer.join();
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("kaso-atomic-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path m_dir;
};

TEST_F(AtomicFile, CreatesParentsSetsModesAndReplacesWhole)
{
    auto path = m_dir / "a" / "b" / "file.bin";
    std::string first = "first version, longer than the second";
    ASSERT_TRUE(kaso::platform::write_file_atomically(path, std::as_bytes(std::span(first)), 0600));
    std::string second = "second";
    ASSERT_TRUE(kaso::platform::write_file_atomically(path, std::as_bytes(std::span(second)), 0600));

    auto read = kaso::platform::read_file_bounded(path, 1024);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(read->data()), read->size()), "second");

    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((m_dir / "a").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // No temporary is left beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()), {}), 1);
}

TEST_F(AtomicFile, FailureLeavesTheOldFileAndNoTemporary)
{
    std::filesystem::create_directories(m_dir);
    auto path = m_dir / "target";
    std::filesystem::create_directory(path); // a directory cannot be replaced by a file
    std::string bytes = "x";
    auto result = kaso::platform::write_file_atomically(path, std::as_bytes(std::span(bytes)));
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("cannot replace"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 1);
}

TEST_F(AtomicFile, SweepRemovesOnlyTheTemporariesOfItsTarget)
{
    std::filesystem::create_directories(m_dir);
    auto path = m_dir / "h.automerge";
    std::string bytes = "kept";
    ASSERT_TRUE(kaso::platform::write_file_atomically(path, std::as_bytes(std::span(bytes)), 0600));
    struct Case {
        char const* name;
        bool removed;
    };
    Case const cases[] = {
        { "h.automerge.0123456789abcdef.tmp", true },
        { "h.automerge.ffffffffffffffff.tmp", true },
        { "h.automerge.0123456789ABCDEF.tmp", false }, // upper case is never written
        { "h.automerge.0123456789abcde.tmp", false },  // 15 digits
        { "h.automerge.0123456789abcdef0.tmp", false }, // 17 digits
        { "h.automerge.0123456789abcdeg.tmp", false },
        { "h.automerge.0123456789abcdef.tm", false },
        { "h.automerge.lock", false },
        { "x.automerge.0123456789abcdef.tmp", false }, // another target's
        { "h.automerge0123456789abcdef.tmp", false },
    };
    for (auto const& c : cases)
        std::ofstream(m_dir / c.name) << "left";
    kaso::platform::remove_atomic_write_temporaries(path);
    for (auto const& c : cases)
        EXPECT_EQ(!std::filesystem::exists(m_dir / c.name), c.removed) << c.name;
    // The target itself stays.
    auto read = kaso::platform::read_file_bounded(path, 1024);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), bytes.size());
}

TEST_F(AtomicFile, BoundedReadRefusesLargerFiles)
{
    std::filesystem::create_directories(m_dir);
    auto path = m_dir / "big";
    std::ofstream(path) << std::string(100, 'x');
    EXPECT_TRUE(kaso::platform::read_file_bounded(path, 100));
    auto refused = kaso::platform::read_file_bounded(path, 99);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("exceeds 99 bytes"), std::string::npos);
}

TEST(ApplicationFolder, LabelsAfterTheFirstNameTheFolders)
{
    struct Case {
        char const* id;
        char const* folder; // nullptr: refused
    };
    Case const cases[] = {
        { "io.kaso.vexa", "kaso/vexa" },
        { "org.example.app.beta", "example/app/beta" },
        { "io.my-app_2", "my-app_2" },
        { "vexa", nullptr },
        { "", nullptr },
        { "io..vexa", nullptr },
        { "io.kaso.", nullptr },
        { ".kaso.vexa", nullptr },
        { "io.kaso/../etc.vexa", nullptr },
        { "io.kaso.v exa", nullptr },
        { "io.kaso.vexa\n", nullptr },
    };
    for (auto const& c : cases) {
        auto folder = kaso::platform::application_folder(c.id);
        if (c.folder) {
            ASSERT_TRUE(folder) << c.id << ": " << folder.error().message;
            EXPECT_EQ(folder->generic_string(), c.folder) << c.id;
        } else {
            ASSERT_FALSE(folder) << c.id << " gave " << folder->generic_string();
            EXPECT_TRUE(folder.error().message.starts_with("application id: ")) << folder.error().message;
        }
    }
}
