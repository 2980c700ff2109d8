// The runtime's transactional dispatch (kaso/actions/Executor) and the library document store
// (kaso/actions/LibraryStore) over the document core.

#include "automerge/Document.h"
#include "automerge/Transaction.h"
#include "kaso/actions/Executor.h"
#include "kaso/actions/LibraryStore.h"
#include "tests/automerge/Support.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/resource.h>
#include <functional>
#include <optional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace automerge;
using namespace kaso::actions;
namespace fs = std::filesystem;

namespace {

// An action made of a function, for tests.
class TestAction final : public DocumentAction {
public:
    explicit TestAction(std::function<kaso::ErrorOr<void>(Transaction&)> body)
        : m_body(std::move(body))
    {
    }
    std::string debug_text() const override { return "TestAction"; }
    kaso::ErrorOr<void> encode(Transaction& transaction) const override { return m_body(transaction); }

private:
    std::function<kaso::ErrorOr<void>(Transaction&)> m_body;
};

kaso::ErrorOr<void> put_like(Transaction& transaction, std::string const& video, bool liked)
{
    auto vexa = transaction.get(ROOT, "vexa");
    if (!vexa)
        return kaso::make_error(vexa.error().message);
    ObjId vexa_id;
    if (*vexa && (*vexa)->is_map()) {
        vexa_id = (*vexa)->object;
    } else {
        auto made = transaction.put_object(ROOT, "vexa", ObjType::Map);
        if (!made)
            return kaso::make_error(made.error().message);
        vexa_id = *made;
    }
    // The "likes" map already there is kept, as the library's writer keeps it.
    auto existing = transaction.get(vexa_id, "likes");
    if (!existing)
        return kaso::make_error(existing.error().message);
    ObjId likes_id;
    if (*existing && (*existing)->is_map()) {
        likes_id = (*existing)->object;
    } else {
        auto likes = transaction.put_object(vexa_id, "likes", ObjType::Map);
        if (!likes)
            return kaso::make_error(likes.error().message);
        likes_id = *likes;
    }
    auto put = transaction.put(likes_id, video, ScalarValue::boolean(liked));
    if (!put)
        return kaso::make_error(put.error().message);
    return {};
}

EncodedAction encoded()
{
    return EncodedAction::from_text("vexa.action", R"({"SetVideoLiked":{"video_id":"v1","liked":true}})");
}

Document sample()
{
    Document document(ActorId(std::vector<uint8_t>(16, 1)));
    EXPECT_TRUE(document.put(ROOT, "title", ScalarValue::str("library")));
    return document;
}

TEST(Executor, CommitsTheActionAndRecordsHeadsBeforeAndAfter)
{
    auto document = sample();
    auto before = document.heads();
    TestAction action([](Transaction& transaction) { return put_like(transaction, "v1", true); });
    auto outcome = executor::dispatch_by(document, action, encoded());
    ASSERT_TRUE(outcome.has_value()) << outcome.error().message;
    EXPECT_EQ(outcome->heads_before, before);
    ASSERT_TRUE(outcome->change.has_value());
    EXPECT_EQ(outcome->heads_after, std::vector<ChangeHash> { *outcome->change });
    EXPECT_EQ(document.heads(), outcome->heads_after);
    EXPECT_FALSE(document.in_transaction());
    auto reloaded = Document::load(document.save()).value();
    EXPECT_EQ(test::dump(reloaded), test::dump(document));
}

TEST(Executor, FailedEncodeAfterAPutLeavesBytesHeadsAndValuesUnchanged)
{
    auto document = sample();
    auto saved = document.save();
    auto heads = document.heads();
    auto values = test::dump(document);
    TestAction action([](Transaction& transaction) -> kaso::ErrorOr<void> {
        if (auto put = put_like(transaction, "v1", true); !put)
            return put;
        if (!transaction.put(ROOT, "title", ScalarValue::str("changed")))
            return kaso::make_error("put failed");
        return kaso::make_error("this Vexa action is not accepted by the shared document");
    });
    auto outcome = executor::dispatch_by(document, action, encoded());
    ASSERT_FALSE(outcome.has_value());
    EXPECT_NE(outcome.error().display().find("this Vexa action is not accepted by the shared document"), std::string::npos);
    EXPECT_EQ(document.save(), saved);
    EXPECT_EQ(document.heads(), heads);
    EXPECT_EQ(test::dump(document), values);
    EXPECT_FALSE(document.in_transaction());
    // The document takes the next dispatch normally.
    TestAction good([](Transaction& transaction) { return put_like(transaction, "v2", false); });
    EXPECT_TRUE(executor::dispatch_by(document, good, encoded()).has_value());
}

TEST(Executor, AnActionThatThrowsIsRolledBack)
{
    auto document = sample();
    auto saved = document.save();
    TestAction action([](Transaction& transaction) -> kaso::ErrorOr<void> {
        (void)transaction.put(ROOT, "title", ScalarValue::str("changed"));
        throw std::runtime_error("json type error");
    });
    auto outcome = executor::dispatch_by(document, action, encoded());
    ASSERT_FALSE(outcome.has_value());
    EXPECT_NE(outcome.error().message.find("json type error"), std::string::npos);
    EXPECT_EQ(document.save(), saved);
}

TEST(Executor, AnActionThatChangesNothingMakesNoChange)
{
    auto document = sample();
    auto heads = document.heads();
    TestAction action([](Transaction& transaction) -> kaso::ErrorOr<void> {
        (void)transaction.put(ROOT, "title", ScalarValue::str("library"));
        return {};
    });
    auto outcome = executor::dispatch_by(document, action, encoded());
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->change.has_value());
    EXPECT_EQ(outcome->heads_after, heads);
}

TEST(Executor, WritesUnderTheLocalActorAndTheActionKind)
{
    auto document = sample();
    std::vector<uint8_t> actor(16, 0x77);
    TestAction action([](Transaction& transaction) { return put_like(transaction, "v1", true); });
    ASSERT_TRUE(executor::dispatch_by(document, action, encoded(), actor));
    EXPECT_EQ(document.actor_id(), ActorId(actor));
    auto last = document.changes().back();
    std::string text(last.begin(), last.end());
    EXPECT_NE(text.find("vexa.action"), std::string::npos);
}

TEST(Executor, DispatchesThroughTheActionHost)
{
    auto document = sample();
    ActionHost host;
    TestAction action([](Transaction& transaction) { return put_like(transaction, "v1", true); });
    EXPECT_FALSE(host.dispatch_with_context(action, encoded(), {}).has_value());
    host.set_dispatcher(executor::dispatcher_for(document));
    ASSERT_TRUE(host.dispatch_with_context(action, encoded(), { "like", "vexa", "Vexa" }).has_value());
    EXPECT_EQ(document.change_count(), 2u);
}

class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        m_path = fs::temp_directory_path() / ("automerge-library-" + std::to_string(getpid()) + "-" + std::to_string(s_counter++));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TemporaryDirectory() { fs::remove_all(m_path); }
    fs::path const& path() const { return m_path; }

private:
    static inline int s_counter = 0;
    fs::path m_path;
};

mode_t mode_of(fs::path const& path)
{
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 0777;
}

TEST(LibraryStore, FirstDispatchCreatesTheFileOwnerOnly)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "kaso" / "vexa" / "library.automerge";
    auto store = LibraryStore::open_at(path);
    EXPECT_FALSE(store.notice().has_value());
    EXPECT_FALSE(fs::exists(path));
    TestAction action([](Transaction& transaction) { return put_like(transaction, "v1", true); });
    ASSERT_TRUE(store.dispatch(action, encoded()).has_value());
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(mode_of(path), 0600u);
    EXPECT_EQ(mode_of(path.parent_path()), 0700u);
    auto reopened = LibraryStore::open_at(path);
    EXPECT_EQ(test::dump(reopened.document()), test::dump(store.document()));
}

TEST(LibraryStore, AnUnreadableFileIsKeptAsideAndTheUserTold)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "library.automerge";
    std::vector<uint8_t> garbage { 'n', 'o', 't', ' ', 'a', 'u', 't', 'o', 'm', 'e', 'r', 'g', 'e' };
    test::write_file(path, garbage);
    auto store = LibraryStore::open_at(path);
    ASSERT_TRUE(store.notice().has_value());
    EXPECT_NE(store.notice()->find("kept as"), std::string::npos);
    EXPECT_FALSE(fs::exists(path));
    size_t kept = 0;
    for (auto const& entry : fs::directory_iterator(directory.path())) {
        if (entry.path().filename().string().starts_with("library.automerge.unreadable-")) {
            EXPECT_EQ(test::read_file(entry.path()), garbage);
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1u);
    EXPECT_TRUE(store.document().keys(ROOT).value().empty());
}

TEST(LibraryStore, AnUnsupportedDocumentIsKeptAsideUntouched)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "library.automerge";
    auto list_document = test::read_file(test::fixtures_dir() / "unsupported_list.automerge");
    test::write_file(path, list_document);
    auto store = LibraryStore::open_at(path);
    ASSERT_TRUE(store.notice().has_value());
    EXPECT_NE(store.notice()->find("unsupported document"), std::string::npos);
    bool found = false;
    for (auto const& entry : fs::directory_iterator(directory.path()))
        found |= test::read_file(entry.path()) == list_document;
    EXPECT_TRUE(found);
}

TEST(LibraryStore, AFailedWriteRestoresTheDocument)
{
    TemporaryDirectory directory;
    // The parent of the file is a regular file, so no write can succeed.
    test::write_file(directory.path() / "blocker", std::vector<uint8_t> { 1 });
    auto store = LibraryStore::open_at(directory.path() / "blocker" / "library.automerge");
    auto saved = store.document().save();
    TestAction action([](Transaction& transaction) { return put_like(transaction, "v1", true); });
    auto outcome = store.dispatch(action, encoded());
    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(store.document().save(), saved);
}

TEST(LibraryStore, InMemoryStoreNeverWrites)
{
    auto store = LibraryStore::in_memory();
    TestAction action([](Transaction& transaction) { return put_like(transaction, "v1", true); });
    ASSERT_TRUE(store.dispatch(action, encoded()).has_value());
    EXPECT_FALSE(store.path().has_value());
    EXPECT_EQ(store.document().change_count(), 1u);
}

std::optional<bool> liked_in(Document const& document, std::string const& video)
{
    auto vexa = document.get(ROOT, "vexa").value();
    if (!vexa || !vexa->is_map())
        return std::nullopt;
    auto likes = document.get(vexa->object, "likes").value();
    if (!likes || !likes->is_map())
        return std::nullopt;
    auto value = document.get(likes->object, video).value();
    if (!value)
        return std::nullopt;
    return value->scalar.as_bool();
}

TestAction like(std::string video)
{
    return TestAction([video = std::move(video)](Transaction& transaction) { return put_like(transaction, video, true); });
}

TEST(LibraryStore, TwoInstancesKeepEachOthersChanges)
{
    // Both from a missing file and from one both loaded: each write merges what the other wrote.
    for (bool existing : { false, true }) {
        SCOPED_TRACE(existing ? "existing file" : "no file yet");
        TemporaryDirectory directory;
        auto path = directory.path() / "library.automerge";
        if (existing) {
            auto first = LibraryStore::open_at(path);
            ASSERT_TRUE(first.dispatch(like("v0"), encoded()).has_value());
        }
        auto one = LibraryStore::open_at(path);
        auto two = LibraryStore::open_at(path);
        ASSERT_TRUE(one.dispatch(like("v1"), encoded()).has_value());
        ASSERT_TRUE(two.dispatch(like("v2"), encoded()).has_value());
        EXPECT_EQ(liked_in(two.document(), "v1"), true); // merged before saving
        ASSERT_TRUE(one.dispatch(like("v3"), encoded()).has_value());

        auto reopened = LibraryStore::open_at(path);
        EXPECT_FALSE(reopened.notice().has_value());
        for (auto const* video : { "v1", "v2", "v3" })
            EXPECT_EQ(liked_in(reopened.document(), video), true) << video;
        EXPECT_EQ(liked_in(reopened.document(), "v0"), existing ? std::optional<bool>(true) : std::nullopt);
    }
}

TEST(LibraryStore, WritesHoldALockFileThatIsNeverReplaced)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "library.automerge";
    auto lock_path = directory.path() / "library.automerge.lock";
    auto store = LibraryStore::open_at(path);
    ASSERT_TRUE(store.dispatch(like("v1"), encoded()).has_value());
    struct stat first {};
    ASSERT_EQ(::stat(lock_path.c_str(), &first), 0);
    EXPECT_EQ(first.st_mode & 0777, 0600u);

    // While another instance holds the lock, a write waits for it.
    int held = ::open(lock_path.c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    auto writing = std::async(std::launch::async, [&] { return store.dispatch(like("v2"), encoded()).has_value(); });
    EXPECT_EQ(writing.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    ::flock(held, LOCK_UN);
    ::close(held);
    EXPECT_TRUE(writing.get());

    struct stat second {};
    ASSERT_EQ(::stat(lock_path.c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);
    EXPECT_EQ(liked_in(LibraryStore::open_at(path).document(), "v2"), true);
}

TEST(LibraryStore, AFailedDispatchLeavesHeadsAndFileBytesUnchanged)
{
    struct Case {
        char const* name;
        std::function<void(fs::path const&)> before; // what happens to the file before the dispatch
        bool refuses;                                // the action itself refuses
    };
    std::vector<uint8_t> const garbage { 'n', 'o', 't', ' ', 'a', ' ', 'l', 'i', 'b', 'r', 'a', 'r', 'y' };
    Case const cases[] = {
        { "refused by the action", [](fs::path const&) { }, true },
        // Another instance left a file that cannot be read: it is not overwritten.
        { "unreadable file of another instance", [&](fs::path const& path) { fs::remove(path); test::write_file(path, garbage); }, false },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory directory;
        auto path = directory.path() / "library.automerge";
        auto store = LibraryStore::open_at(path);
        ASSERT_TRUE(store.dispatch(like("v1"), encoded()).has_value());
        c.before(path);
        auto bytes = test::read_file(path);
        auto heads = store.document().heads();
        auto saved = store.document().save();
        TestAction refusing([](Transaction& transaction) -> kaso::ErrorOr<void> {
            TRY(put_like(transaction, "v2", true));
            return kaso::make_error("this Vexa action is not accepted by the shared document");
        });
        auto outcome = c.refuses ? store.dispatch(refusing, encoded()) : store.dispatch(like("v2"), encoded());
        ASSERT_FALSE(outcome.has_value());
        EXPECT_EQ(store.document().heads(), heads);
        EXPECT_EQ(store.document().save(), saved);
        EXPECT_EQ(test::read_file(path), bytes);
    }
}

// Makes every write to a file fail while it lives (even root's), by a file size limit of zero
// bytes; the signal such a write raises is ignored, so the write returns an error instead.
class FailingWrites {
public:
    FailingWrites()
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_old_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = m_old;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FailingWrites()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_old_handler);
    }
    FailingWrites(FailingWrites const&) = delete;
    FailingWrites& operator=(FailingWrites const&) = delete;

private:
    rlimit m_old {};
    void (*m_old_handler)(int) { SIG_DFL };
};

TEST(LibraryStore, AFailedWriteRestoresTheDocumentWhereverItCameFrom)
{
    // What the store holds before the change whose write fails: the restore point is made from
    // the file it loaded, its own last write, or (after another instance wrote) the merge.
    enum class Origin { LoadedFile, OwnWrite, MergedWrite };
    struct Case {
        char const* name;
        Origin origin;
    };
    Case const cases[] = {
        { "loaded from the file", Origin::LoadedFile },
        { "after its own write", Origin::OwnWrite },
        { "after merging another instance's write", Origin::MergedWrite },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory directory;
        auto path = directory.path() / "library.automerge";
        ASSERT_TRUE(LibraryStore::open_at(path).dispatch(like("v0"), encoded()).has_value());
        auto store = LibraryStore::open_at(path);
        std::optional<LibraryStore> other;
        if (c.origin == Origin::OwnWrite) {
            ASSERT_TRUE(store.dispatch(like("v1"), encoded()).has_value());
        }
        if (c.origin == Origin::MergedWrite) {
            other.emplace(LibraryStore::open_at(path));
            ASSERT_TRUE(other->dispatch(like("v1"), encoded()).has_value());
        }
        // The document as the failing dispatch finds it, after any merge.
        auto const& expected = other ? other->document() : store.document();
        auto heads = expected.heads();
        auto content = test::dump(expected);
        auto actor = store.document().actor_id();
        auto bytes = test::read_file(path);

        {
            FailingWrites failing;
            auto outcome = store.dispatch(like("v2"), encoded());
            ASSERT_FALSE(outcome.has_value());
            EXPECT_NE(outcome.error().message.find("was not saved"), std::string::npos) << outcome.error().message;
        }
        EXPECT_EQ(store.document().heads(), heads);
        EXPECT_EQ(test::dump(store.document()), content);
        EXPECT_EQ(liked_in(store.document(), "v2"), std::nullopt);
        EXPECT_EQ(store.document().actor_id(), actor);
        EXPECT_EQ(test::read_file(path), bytes);

        // Once writes work again, the next change is written on top of the restored document.
        ASSERT_TRUE(store.dispatch(like("v3"), encoded()).has_value());
        auto reopened = LibraryStore::open_at(path);
        EXPECT_EQ(test::dump(reopened.document()), test::dump(store.document()));
        EXPECT_EQ(liked_in(reopened.document(), "v2"), std::nullopt);
        EXPECT_EQ(liked_in(reopened.document(), "v3"), true);
        EXPECT_EQ(liked_in(reopened.document(), "v1"), c.origin == Origin::LoadedFile ? std::nullopt : std::optional<bool>(true));
    }
}

// Points the data directory at a folder of its own for one test.
class DataHome {
public:
    explicit DataHome(fs::path const& path)
    {
        if (char const* old = std::getenv("XDG_DATA_HOME"))
            m_old = old;
        ::setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~DataHome()
    {
        if (m_old)
            ::setenv("XDG_DATA_HOME", m_old->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

private:
    std::optional<std::string> m_old;
};

TEST(LibraryStore, TheApplicationIdNamesTheFolder)
{
    TemporaryDirectory directory;
    DataHome home(directory.path());
    auto path = LibraryStore::default_path("org.example.notes");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, directory.path() / "example" / "notes" / "library.automerge");

    auto store = LibraryStore::open("org.example.notes");
    EXPECT_EQ(store.path(), directory.path() / "example" / "notes" / "library.automerge");
    EXPECT_FALSE(store.notice().has_value());
}

TEST(LibraryStore, AnIdThatNamesNoFolderKeepsTheLibraryInMemoryAndSaysSo)
{
    TemporaryDirectory directory;
    DataHome home(directory.path());
    EXPECT_FALSE(LibraryStore::default_path("io..vexa").has_value());

    auto store = LibraryStore::open("io..vexa");
    EXPECT_FALSE(store.path().has_value());
    ASSERT_TRUE(store.notice().has_value());
    EXPECT_NE(store.notice()->find("will not be saved"), std::string::npos) << *store.notice();
    TestAction action([](Transaction& transaction) { return put_like(transaction, "v1", true); });
    ASSERT_TRUE(store.dispatch(action, encoded()).has_value());
    EXPECT_TRUE(fs::is_empty(directory.path()));
}

}
