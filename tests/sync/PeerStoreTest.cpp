#include <gtest/gtest.h>
#include <sys/stat.h>

#include "src/sync/PeerStore.h"
#include "tests/sync/TestSupport.h"

#include <cstdlib>
#include <fstream>

using namespace vexa::sync;
using namespace vexa::sync::test;

namespace {

class PeerStoreFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vexa-peers-XXXXXX";
        m_root = ::mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    std::filesystem::path path() const { return m_root / "state" / "kaso-vexa" / "grayjay-peers.json"; }
    void write(std::string const& text)
    {
        std::filesystem::create_directories(path().parent_path());
        std::ofstream(path(), std::ios::binary) << text;
    }
    std::string load_error()
    {
        auto loaded = PeerStore::load(path());
        return loaded ? std::string("ok") : loaded.error().display();
    }

    std::filesystem::path m_root;
};

PeerRecord sample_record(std::string id)
{
    PeerRecord record;
    record.id = id;
    record.name = "Grayjay " + id.substr(0, 8);
    record.descriptor = { id, { "192.168.1.20", "phone.local" }, 12315 };
    record.approved_at = 1'700'000'000;
    record.pending_approval = true;
    return record;
}

std::string record_json(std::string const& id, std::string const& name = "n", std::string const& addresses = R"(["a"])")
{
    return R"({"id":")" + id + R"(","name":")" + name + R"(","descriptor":{"public_key":"k","addresses":)" + addresses
        + R"(,"port":1},"approved_at":5})";
}

std::string file_of(std::vector<std::string> const& records, int version = 1)
{
    std::string peers;
    for (auto const& record : records)
        peers += (peers.empty() ? "" : ",") + record;
    return "{\"version\":" + std::to_string(version) + ",\"peers\":[" + peers + "]}";
}

}

TEST_F(PeerStoreFiles, MissingFileIsEmptyAndFirstSaveIsPrivate)
{
    EXPECT_TRUE(PeerStore::load(path()).value().empty());
    std::vector<PeerRecord> records { sample_record("AAAABBBBCCCC"), sample_record("ZZZZYYYY") };
    records[1].revoked_at = 1'700'000'100;
    records[1].last_sync_at = 1'700'000'050;
    records[1].last_error = "transport error: io: refused";
    ASSERT_TRUE(PeerStore::save(path(), records).has_value());
    EXPECT_EQ(PeerStore::load(path()).value(), records);

    struct stat file {};
    struct stat directory {};
    ::stat(path().c_str(), &file);
    ::stat(path().parent_path().c_str(), &directory);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(directory.st_mode & 0777, 0700u);
    // Nothing but the store is left in the directory.
    std::size_t entries = 0;
    for ([[maybe_unused]] auto const& entry : std::filesystem::directory_iterator(path().parent_path()))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST_F(PeerStoreFiles, WrittenForm)
{
    PeerRecord record = sample_record("KEY");
    record.descriptor.addresses = { "h" };
    ASSERT_TRUE(PeerStore::save(path(), std::vector { record }).has_value());
    EXPECT_EQ(read_text_file(path()), R"({
  "version": 1,
  "peers": [
    {
      "id": "KEY",
      "name": "Grayjay KEY",
      "descriptor": {
        "public_key": "KEY",
        "addresses": [
          "h"
        ],
        "port": 12315
      },
      "approved_at": 1700000000,
      "pending_approval": true,
      "revoked_at": null,
      "last_sync_at": null,
      "last_error": null
    }
  ]
})");
}

TEST_F(PeerStoreFiles, DefaultsAndUnknownKeys)
{
    write(R"({"peers":[{"extra":1,"approved_at":9,"descriptor":{"port":0,"addresses":["a"],"public_key":"k"},"name":"n","id":"i"}],"version":1,"more":[]})");
    auto records = PeerStore::load(path()).value();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0].pending_approval);
    EXPECT_FALSE(records[0].revoked_at.has_value());
    EXPECT_EQ(records[0].descriptor.port, 0);
    ASSERT_TRUE(PeerStore::save(path(), records).has_value());
    EXPECT_EQ(read_text_file(path()).find("extra"), std::string::npos);
}

TEST_F(PeerStoreFiles, HostileFileTable)
{
    std::string const bounds = "peer store error: peer store exceeds its structural bounds";
    std::vector<std::string> sixty_five(65, record_json("i"));
    struct Case {
        char const* name;
        std::string text;
        std::string error;
    };
    std::vector<Case> const cases = {
        { "version 2", file_of({}, 2), "peer store error: unsupported peer store version" },
        { "65 records", file_of(sixty_five), bounds },
        { "long id", file_of({ record_json(std::string(257, 'i')) }), bounds },
        { "long name", file_of({ record_json("i", std::string(257, 'n')) }), bounds },
        { "nine addresses", file_of({ record_json("i", "n", R"(["1","2","3","4","5","6","7","8","9"])") }), bounds },
        { "empty address", file_of({ record_json("i", "n", R"([""])") }), bounds },
        { "long address", file_of({ record_json("i", "n", "[\"" + std::string(256, 'a') + "\"]") }), bounds },
        { "no approved_at", file_of({ R"({"id":"i","name":"n","descriptor":{"public_key":"k","addresses":["a"],"port":1}})" }),
            "peer store error: missing field `approved_at`" },
        { "duplicate key", R"({"version":1,"version":1,"peers":[]})", "peer store error: duplicate field `version`" },
        { "not json", "{", "peer store error: [json.exception.parse_error.101] parse error at line 1, column 2: syntax error while parsing object key - unexpected end of input; expected string literal" },
    };
    for (auto const& c : cases) {
        write(c.text);
        EXPECT_EQ(load_error(), c.error) << c.name;
    }
    // Deep nesting is refused by depth, not by running out of stack.
    write(std::string(100'000, '[') + std::string(100'000, ']'));
    EXPECT_EQ(load_error(), "peer store error: recursion limit exceeded");

    // 256-byte texts are within the bounds.
    write(file_of({ record_json(std::string(256, 'i'), std::string(256, 'n')) }));
    EXPECT_EQ(load_error(), "ok");
}

TEST_F(PeerStoreFiles, NotARegularFileOrTooLarge)
{
    std::filesystem::create_directories(path());
    EXPECT_EQ(load_error(), "peer store error: invalid peer store");
    std::filesystem::remove(path());
    write(file_of({}) + std::string(1'048'577 - file_of({}).size(), ' '));
    EXPECT_EQ(load_error(), "peer store error: invalid peer store");
    write(file_of({}) + std::string(1'048'576 - file_of({}).size(), ' '));
    EXPECT_EQ(load_error(), "ok");

    // A FIFO with no writer is refused at once rather than blocking the loader in open().
    std::filesystem::remove(path());
    ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
    EXPECT_EQ(load_error(), "peer store error: invalid peer store");
}

TEST_F(PeerStoreFiles, RecordsOutsideTheBoundsAreNeverWritten)
{
    std::vector<PeerRecord> records(65, sample_record("KEY"));
    EXPECT_EQ(PeerStore::save(path(), records).error().display(), "peer store error: peer store exceeds its structural bounds");
    EXPECT_FALSE(std::filesystem::exists(path()));
}

TEST(PeerStorePath, FollowsXdgStateHome)
{
    auto saved = [](char const* name) -> std::optional<std::string> {
        char const* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    auto const home = saved("HOME");
    auto const state = saved("XDG_STATE_HOME");
    ::setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_EQ(peer_store_path().value(), std::filesystem::path("relative/state/kaso-vexa/grayjay-peers.json"));
    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(peer_store_path().value(), std::filesystem::path("/home/someone/.local/state/kaso-vexa/grayjay-peers.json"));
    ::setenv("XDG_STATE_HOME", "", 1);
    EXPECT_EQ(peer_store_path().value(), std::filesystem::path("kaso-vexa/grayjay-peers.json"));

    if (home)
        ::setenv("HOME", home->c_str(), 1);
    if (state)
        ::setenv("XDG_STATE_HOME", state->c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}
