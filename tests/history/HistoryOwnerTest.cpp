#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "src/history/HistoryOwner.h"

namespace {

class HistoryOwner : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_base = std::filesystem::temp_directory_path() / ("vexa-owner-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_base);
        for (auto const* name : { "USER", "USERNAME", "HOSTNAME" }) {
            if (char const* value = std::getenv(name))
                m_saved.emplace_back(name, value);
            ::unsetenv(name);
        }
    }
    void TearDown() override
    {
        std::filesystem::permissions(m_base, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
        std::filesystem::remove_all(m_base);
        for (auto const& [name, value] : m_saved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::filesystem::path owner_file() const { return m_base / "kaso" / "vexa" / "history-owner"; }
    void write_owner(std::string const& text)
    {
        std::filesystem::create_directories(owner_file().parent_path());
        std::ofstream(owner_file(), std::ios::binary) << text;
    }
    std::string read_owner() const
    {
        std::ifstream file(owner_file(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    // A base directory where nothing can be created: a regular file stands where the
    // directory would go.
    std::filesystem::path unwritable_base()
    {
        std::filesystem::create_directories(m_base);
        std::ofstream(m_base / "kaso") << "not a directory";
        return m_base;
    }

    std::filesystem::path m_base;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

bool is_new_owner(std::string const& owner)
{
    if (owner.size() != 5 + 32 || !owner.starts_with("user:"))
        return false;
    return owner.find_first_not_of("0123456789abcdef", 5) == std::string::npos;
}

}

TEST_F(HistoryOwner, FirstUseWritesAnOwnerFileThatLaterCallsRead)
{
    auto first = vexa::history_owner_id_in(m_base);
    EXPECT_TRUE(is_new_owner(first)) << first;
    EXPECT_EQ(read_owner(), first);
    EXPECT_EQ(vexa::history_owner_id_in(m_base), first);
    EXPECT_EQ(first[5 + 12], '4'); // a version-4 UUID
}

TEST_F(HistoryOwner, OwnerFileContents)
{
    struct Case {
        std::string content;
        bool kept;
    };
    std::vector<Case> cases = {
        { "user:abc\n", true },  // taken whole, line break included
        { "user:x", true },
        { "user:", false },      // too short: replaced
        { "owner:abc", false },  // wrong prefix: replaced
        { "user:\xff\xfe", false }, // not UTF-8: replaced
        { "", false },
    };
    for (auto const& c : cases) {
        write_owner(c.content);
        auto owner = vexa::history_owner_id_in(m_base);
        if (c.kept) {
            EXPECT_EQ(owner, c.content);
        } else {
            EXPECT_TRUE(is_new_owner(owner)) << owner;
            EXPECT_EQ(read_owner(), owner);
        }
    }
}

TEST_F(HistoryOwner, EnvironmentFallbackWhenNoFileCanBeWritten)
{
    auto base = unwritable_base();
    ::setenv("USER", "alice", 1);
    EXPECT_EQ(vexa::history_owner_id_in(base), fmt::format("user:{:016x}", vexa::fnv1a_64("alice@")));
    ::setenv("HOSTNAME", "box", 1);
    EXPECT_EQ(vexa::history_owner_id_in(base), fmt::format("user:{:016x}", vexa::fnv1a_64("alice@box")));

    ::unsetenv("USER");
    ::setenv("USERNAME", "bob", 1);
    EXPECT_EQ(vexa::history_owner_id_in(base), fmt::format("user:{:016x}", vexa::fnv1a_64("bob@box")));
    ::setenv("USER", "", 1); // set but empty: USERNAME is not consulted
    EXPECT_EQ(vexa::history_owner_id_in(base), fmt::format("user:{:016x}", vexa::fnv1a_64("@box")));

    ::unsetenv("USER");
    ::unsetenv("USERNAME");
    ::unsetenv("HOSTNAME");
    auto a = vexa::history_owner_id_in(base);
    auto b = vexa::history_owner_id_in(base);
    EXPECT_TRUE(is_new_owner(a));
    EXPECT_TRUE(is_new_owner(b));
    EXPECT_NE(a, b);
}

TEST(Fnv1a, PublishedValues)
{
    EXPECT_EQ(vexa::fnv1a_64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(vexa::fnv1a_64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(vexa::fnv1a_64("foobar"), 0x85944171f73967e8ull);
}

TEST_F(HistoryOwner, OwnerFileIsNeverFollowedThroughALink)
{
    std::filesystem::create_directories(owner_file().parent_path());
    auto target = m_base / "elsewhere";
    std::ofstream(target, std::ios::binary) << "user:planted";
    std::filesystem::create_symlink(target, owner_file());

    auto owner = vexa::history_owner_id_in(m_base);
    EXPECT_TRUE(is_new_owner(owner)) << owner;
    // The link itself was replaced by a regular file; what it pointed at is untouched.
    EXPECT_FALSE(std::filesystem::is_symlink(owner_file()));
    EXPECT_EQ(read_owner(), owner);
    std::ifstream planted(target, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(planted)), std::istreambuf_iterator<char>()), "user:planted");
}

TEST_F(HistoryOwner, UnacceptableFileKindsAndSizes)
{
    struct Case {
        char const* name;
        std::function<void(std::filesystem::path const&)> make;
        bool replaced; // false: the path cannot be replaced, so the environment fallback applies
    };
    std::vector<Case> cases = {
        { "FIFO (must not block)", [](auto const& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, true },
        { "over 4 KiB", [](auto const& path) { std::ofstream(path, std::ios::binary) << "user:" << std::string(4092, 'a'); }, true },
        { "directory", [](auto const& path) { std::filesystem::create_directories(path / "inside"); }, false },
    };
    ::setenv("USER", "carol", 1);
    for (auto const& c : cases) {
        std::filesystem::remove_all(m_base);
        std::filesystem::create_directories(owner_file().parent_path());
        c.make(owner_file());
        auto owner = vexa::history_owner_id_in(m_base);
        if (c.replaced) {
            EXPECT_TRUE(is_new_owner(owner)) << c.name << ": " << owner;
            EXPECT_EQ(read_owner(), owner) << c.name;
        } else {
            EXPECT_EQ(owner, fmt::format("user:{:016x}", vexa::fnv1a_64("carol@"))) << c.name;
        }
    }
    // Exactly 4 KiB is still acceptable.
    std::filesystem::remove_all(m_base);
    auto largest = "user:" + std::string(4096 - 5, 'b');
    write_owner(largest);
    EXPECT_EQ(vexa::history_owner_id_in(m_base), largest);
}

TEST_F(HistoryOwner, NewOwnerFileHasOwnerOnlyModeAndNoTemporaryLeftBehind)
{
    auto owner = vexa::history_owner_id_in(m_base);
    struct stat status {};
    ASSERT_EQ(::stat(owner_file().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    size_t files = 0;
    for ([[maybe_unused]] auto const& entry : std::filesystem::directory_iterator(owner_file().parent_path()))
        ++files;
    EXPECT_EQ(files, 1u);
    write_owner("nope");
    auto replaced = vexa::history_owner_id_in(m_base);
    EXPECT_NE(replaced, owner);
    files = 0;
    for ([[maybe_unused]] auto const& entry : std::filesystem::directory_iterator(owner_file().parent_path()))
        ++files;
    EXPECT_EQ(files, 1u);
}

// Without a data directory the file lives under the temporary directory, but only in kaso and
// kaso/vexa directories the user owns and nobody else can write into.
TEST_F(HistoryOwner, TemporaryDirectoryIsUsedOnlyWhenPrivate)
{
    std::filesystem::create_directories(m_base);
    char const* saved = std::getenv("TMPDIR");
    std::string saved_value = saved ? saved : "";
    ::setenv("TMPDIR", m_base.c_str(), 1);
    ::setenv("USER", "dave", 1);
    auto fallback = fmt::format("user:{:016x}", vexa::fnv1a_64("dave@"));

    auto first = vexa::history_owner_id_in(std::nullopt);
    EXPECT_TRUE(is_new_owner(first)) << first;
    EXPECT_EQ(read_owner(), first);
    struct stat status {};
    ASSERT_EQ(::stat((m_base / "kaso").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0077, 0u);

    struct Case {
        char const* directory;
        mode_t mode;
    };
    for (auto c : { Case { "kaso", 0777 }, Case { "kaso/vexa", 0777 }, Case { "kaso", 0720 }, Case { "kaso/vexa", 0702 } }) {
        ASSERT_EQ(::chmod((m_base / c.directory).c_str(), c.mode), 0);
        EXPECT_EQ(vexa::history_owner_id_in(std::nullopt), fallback) << c.directory << " mode " << std::oct << c.mode;
        ASSERT_EQ(::chmod((m_base / c.directory).c_str(), 0700), 0);
    }
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((m_base / "kaso").c_str(), 65534, 65534), 0);
        EXPECT_EQ(vexa::history_owner_id_in(std::nullopt), fallback) << "kaso owned by another user";
        ASSERT_EQ(::chown((m_base / "kaso").c_str(), 0, 0), 0);
    }
    // A link standing for kaso is not a private directory either.
    std::filesystem::rename(m_base / "kaso", m_base / "real-kaso");
    std::filesystem::create_directory_symlink(m_base / "real-kaso", m_base / "kaso");
    EXPECT_EQ(vexa::history_owner_id_in(std::nullopt), fallback);
    std::filesystem::remove(m_base / "kaso");
    std::filesystem::rename(m_base / "real-kaso", m_base / "kaso");
    EXPECT_EQ(vexa::history_owner_id_in(std::nullopt), first);

    if (saved)
        ::setenv("TMPDIR", saved_value.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}
