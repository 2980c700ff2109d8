#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <sys/stat.h>

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
