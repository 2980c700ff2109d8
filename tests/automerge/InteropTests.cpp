// Documents the C++ core saves load in the reference (@automerge/automerge, pinned in
// tests/interop/package-lock.json) with the same values, concurrent values, key order and heads.

#include "automerge/Document.h"
#include "tests/automerge/Support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace automerge;
namespace fs = std::filesystem;

namespace {

ActorId actor(uint8_t byte)
{
    return ActorId(std::vector<uint8_t>(16, byte));
}

void write_document(fs::path const& dir, std::string const& name, Document const& document)
{
    test::write_file(dir / (name + ".automerge"), document.save());
    test::write_file(dir / (name + ".nocompress"), document.save_uncompressed());
    std::vector<uint8_t> changes;
    for (auto const& change : document.changes())
        changes.insert(changes.end(), change.begin(), change.end());
    test::write_file(dir / (name + ".changes"), changes);
    auto json = nlohmann::json { { "expected", test::dump(document) } }.dump();
    test::write_file(dir / (name + ".json"), std::span(reinterpret_cast<uint8_t const*>(json.data()), json.size()));
}

Document extremes()
{
    Document document(actor(0x11));
    EXPECT_TRUE(document.put(ROOT, "int_min", ScalarValue::integer(INT64_MIN)));
    EXPECT_TRUE(document.put(ROOT, "int_max", ScalarValue::integer(INT64_MAX)));
    EXPECT_TRUE(document.put(ROOT, "uint_max", ScalarValue::uinteger(UINT64_MAX)));
    EXPECT_TRUE(document.put(ROOT, "negative_zero", ScalarValue::f64(-0.0)));
    EXPECT_TRUE(document.put(ROOT, "huge", ScalarValue::f64(1.7e308)));
    EXPECT_TRUE(document.put(ROOT, "", ScalarValue::str("empty key")));
    EXPECT_TRUE(document.put(ROOT, std::string(300, 'k'), ScalarValue::str("long key")));
    EXPECT_TRUE(document.put(ROOT, "no_bytes", ScalarValue::bytes({})));
    EXPECT_TRUE(document.put(ROOT, "counter", ScalarValue::counter(-3)));
    EXPECT_TRUE(document.put(ROOT, "timestamp", ScalarValue::timestamp(-1000)));
    EXPECT_TRUE(document.put(ROOT, "null", ScalarValue::null()));
    EXPECT_TRUE(document.put(ROOT, "unknown", ScalarValue::unknown(12, { 1, 2, 3 })));
    return document;
}

Document deep()
{
    Document document(actor(0x22));
    ObjId obj = ROOT;
    for (int depth = 0; depth < 64; ++depth) {
        EXPECT_TRUE(document.put(obj, "level", ScalarValue::integer(depth)));
        obj = document.put_object(obj, "child", ObjType::Map).value();
    }
    return document;
}

Document large()
{
    Document document(actor(0x33));
    auto entries = document.put_object(ROOT, "entries", ObjType::Map).value();
    for (int i = 0; i < 3000; ++i) {
        CommitOptions options;
        options.time = 1700000000 + i;
        EXPECT_TRUE(document.begin());
        EXPECT_TRUE(document.put(entries, "video" + std::to_string(i * 7919 % 10007), ScalarValue::str("{\"present\":" + std::string(i % 3 ? "true" : "false") + ",\"n\":" + std::to_string(i * i) + "}")));
        document.commit(options);
    }
    return document;
}

// A value column whose segments deflate in different ways: records that repeat their field
// names, then a long text of a small alphabet and random bytes, which are coded without matching.
Document mixed_columns()
{
    Document document(actor(0x66));
    uint32_t state = 7;
    auto random = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 24;
    };
    for (int i = 0; i < 2000; ++i)
        EXPECT_TRUE(document.put(ROOT, "entry" + std::to_string(i), ScalarValue::str("{\"present\":true,\"watched_at_ms\":" + std::to_string(1700000000000 + i * 977) + "}")));
    std::string text;
    for (int i = 0; i < 300000; ++i)
        text.push_back(static_cast<char>('A' + random() % 26));
    EXPECT_TRUE(document.put(ROOT, "text", ScalarValue::str(text)));
    ScalarValue::Bytes bytes;
    for (int i = 0; i < 200000; ++i)
        bytes.push_back(static_cast<uint8_t>(random()));
    EXPECT_TRUE(document.put(ROOT, "zz_bytes", ScalarValue::bytes(bytes)));
    return document;
}

Document concurrent()
{
    Document a(actor(0xaa)), b(actor(0xbb)), c(actor(0x0c));
    EXPECT_TRUE(a.put(ROOT, "base", ScalarValue::integer(0)));
    EXPECT_TRUE(b.merge(a));
    EXPECT_TRUE(c.merge(a));
    for (auto* document : { &a, &b, &c }) {
        EXPECT_TRUE(document->begin());
        EXPECT_TRUE(document->put(ROOT, "shared", ScalarValue::str(document->actor_id().to_hex().substr(0, 2))));
        auto child = document->put_object(ROOT, "child", ObjType::Map).value();
        EXPECT_TRUE(document->put(child, "owner", ScalarValue::str(document->actor_id().to_hex().substr(0, 2))));
        CommitOptions options;
        options.time = 5;
        document->commit(options);
    }
    EXPECT_TRUE(a.merge(b));
    EXPECT_TRUE(a.merge(c));
    return a;
}

Document rolled_back()
{
    Document document(actor(0x44));
    EXPECT_TRUE(document.put(ROOT, "kept", ScalarValue::boolean(true)));
    EXPECT_TRUE(document.begin());
    EXPECT_TRUE(document.put(ROOT, "dropped", ScalarValue::boolean(true)));
    document.rollback();
    EXPECT_TRUE(document.put(ROOT, "after", ScalarValue::integer(2)));
    return document;
}

class Scratch {
public:
    Scratch()
    {
        auto base = fs::temp_directory_path() / ("automerge-interop-" + std::to_string(getpid()));
        fs::remove_all(base);
        fs::create_directories(base);
        m_path = base;
    }
    ~Scratch() { fs::remove_all(m_path); }
    fs::path const& path() const { return m_path; }

private:
    fs::path m_path;
};

TEST(Interop, ReferenceLoadsWhatCppSaves)
{
    Scratch scratch;
    write_document(scratch.path(), "cpp_extremes", extremes());
    write_document(scratch.path(), "cpp_deep", deep());
    write_document(scratch.path(), "cpp_large", large());
    write_document(scratch.path(), "cpp_concurrent", concurrent());
    write_document(scratch.path(), "cpp_mixed_columns", mixed_columns());
    write_document(scratch.path(), "cpp_rolled_back", rolled_back());
    write_document(scratch.path(), "cpp_empty", Document(actor(0x55)));
    // The fixture scripts, replayed in C++.
    for (auto const* name : { "maps_and_scalars", "concurrent_values", "history_300", "big_change" }) {
        auto bytes = test::read_file(test::fixtures_dir() / (std::string(name) + ".json"));
        auto fixture = nlohmann::json::parse(bytes.begin(), bytes.end());
        std::string error;
        auto documents = test::run_script(fixture.at("script"), error);
        ASSERT_EQ(error, "");
        write_document(scratch.path(), std::string("script_") + name, documents.at(fixture.at("script").at("save").get<std::string>()));
    }
    auto script = test::source_dir() / "tests" / "interop" / "automerge" / "check-cpp-documents.cjs";
    auto command = "node '" + script.string() + "' '" + scratch.path().string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

}
