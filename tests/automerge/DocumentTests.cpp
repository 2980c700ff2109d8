#include "automerge/Document.h"
#include "automerge/Transaction.h"
#include "automerge/storage/Change.h"
#include "automerge/storage/Chunk.h"
#include "tests/automerge/Support.h"

#include <gtest/gtest.h>

using namespace automerge;
using automerge::test::hex;

namespace {

ActorId actor(uint8_t byte)
{
    return ActorId(std::vector<uint8_t>(16, byte));
}

std::vector<std::string> keys_of(Document const& document, ObjId obj = ROOT)
{
    return document.keys(obj).value();
}

ScalarValue winner(Document const& document, std::string_view key, ObjId obj = ROOT)
{
    auto value = document.get(obj, key).value();
    return value ? value->scalar : ScalarValue::null();
}

// A change chunk by `by` that increments the counter at a root key, made by op `counter_op` of
// `author`, on top of `base`'s heads (this library writes no increments itself; other devices do).
std::vector<uint8_t> increment_change(Document const& base, ActorId const& by, std::string const& key, ActorId const& author, uint64_t counter_op, int64_t amount)
{
    storage::ChangeRecord change;
    change.deps = base.heads();
    change.actor = by;
    change.seq = 1;
    change.start_op = 100;
    change.time = 1700000000;
    change.other_actors.push_back(author);
    storage::ChangeOp op;
    op.key.map_key = key;
    op.action = static_cast<uint64_t>(storage::Action::Increment);
    op.value = ScalarValue::integer(amount);
    op.pred.push_back(storage::OpRef { counter_op, 1 });
    change.ops.push_back(op);
    return storage::write_chunk(storage::ChunkType::Change, storage::encode_change_body(change));
}

}

TEST(Document, SmallScriptSavesLikeTheReference)
{
    auto script = nlohmann::json::parse(R"({"docs": {"A": "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}, "steps": [["put","A",[],"b","str","x"],["put","A",[],"a","int",1],["put_object","A",[],"m"],["put","A",["m"],"k","boolean",true],["commit","A",7,null],["put","A",[],"a","int",2],["commit","A",8,"hello"]]})");
    std::string error;
    auto documents = test::run_script(script, error);
    ASSERT_EQ(error, "");
    auto const& document = documents.at("A");
    EXPECT_EQ(hex(document.save()), "856f4a83647436d000ac010110aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa019210d0e4c912606e43359f4b662e1600464372d487e6962486bcb5b2b0358bad08010203021303230335094003430256020c01040204150a210223063401420556065703800104810102830102020002017e04017e070100017f0568656c6c6f7e00017f00020700047f0000047f030201617d0162016d016b05007b02037c02010503017e000102147d1600020102787f0104007f007f0501");
    auto loaded = Document::load(document.save());
    ASSERT_TRUE(loaded.has_value()) << loaded.error().message;
    EXPECT_EQ(test::dump(*loaded), test::dump(document));
    EXPECT_EQ(hex(loaded->save()), hex(document.save()));
}

// A save hands out the last save's bytes while no change was committed since; they must be the
// bytes a document that never saved before gives, whatever happened in between.
TEST(Document, RepeatedSavesGiveTheBytesOfAFirstSave)
{
    auto build = [](int changes) {
        Document document(actor(7));
        for (int i = 0; i < changes; ++i) {
            (void)document.begin();
            (void)document.put(ROOT, "key" + std::to_string(i % 3), ScalarValue::integer(i));
            CommitOptions options;
            options.time = 1700000000 + i;
            document.commit(options);
        }
        return document;
    };
    Document document = build(0);
    for (int changes = 0; changes < 4; ++changes) {
        auto first = hex(build(changes).save());
        EXPECT_EQ(hex(document.save()), first) << changes;
        EXPECT_EQ(hex(document.save()), first) << changes;
        // Ops of an open transaction are not saved; rolled back, they leave nothing.
        ASSERT_TRUE(document.begin());
        (void)document.put(ROOT, "pending", ScalarValue::str("x"));
        EXPECT_EQ(hex(document.save()), first) << changes;
        document.rollback();
        EXPECT_EQ(hex(document.save()), first) << changes;
        Document copy = document;
        EXPECT_EQ(hex(copy.save()), first) << changes;
        (void)copy.put(ROOT, "copy only", ScalarValue::boolean(true));
        EXPECT_NE(hex(copy.save()), first) << changes;
        EXPECT_EQ(hex(document.save()), first) << changes;
        ASSERT_TRUE(document.begin());
        (void)document.put(ROOT, "key" + std::to_string(changes % 3), ScalarValue::integer(changes));
        CommitOptions options;
        options.time = 1700000000 + changes;
        ASSERT_TRUE(document.commit(options));
    }
}

TEST(Document, EmptyDocumentSavesFourteenBytes)
{
    Document document(actor(1));
    EXPECT_EQ(hex(document.save()), "856f4a83b81a9544000400000000");
    auto loaded = Document::load(std::span<const uint8_t> {});
    ASSERT_TRUE(loaded.has_value());
    EXPECT_TRUE(loaded->heads().empty());
    EXPECT_TRUE(keys_of(*loaded).empty());
}

TEST(Document, NewAndLoadedDocumentsGetRandomSixteenByteActors)
{
    Document first, second;
    EXPECT_EQ(first.actor_id().bytes().size(), 16u);
    EXPECT_NE(first.actor_id(), second.actor_id());
    auto loaded = Document::load(first.save()).value();
    EXPECT_NE(loaded.actor_id(), first.actor_id());
    LoadOptions options;
    options.actor = actor(7);
    EXPECT_EQ(Document::load(first.save(), options).value().actor_id(), actor(7));
}

TEST(Document, GetReturnsTheWinnerAndNothingForMissingKeys)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "name", ScalarValue::str("vexa")));
    EXPECT_EQ(winner(document, "name"), ScalarValue::str("vexa"));
    EXPECT_FALSE(document.get(ROOT, "missing").value().has_value());
    EXPECT_FALSE(document.get(ObjId { 99, 0 }, "name").has_value());
    EXPECT_EQ(document.get(ObjId { 99, 0 }, "name").error().code, ErrorCode::InvalidArgument);
}

TEST(Document, KeysAreInUtf8ByteOrder)
{
    Document document(actor(1));
    for (auto const* key : { "a", "é", "9", "10", "\xef\xbd\x9e", "\xf0\x9f\x98\x80", "Alpha" })
        ASSERT_TRUE(document.put(ROOT, key, ScalarValue::boolean(true)));
    EXPECT_EQ(keys_of(document), (std::vector<std::string> { "10", "9", "Alpha", "a", "é", "\xef\xbd\x9e", "\xf0\x9f\x98\x80" }));
}

TEST(Document, EveryScalarKindRoundTrips)
{
    Document document(actor(1));
    std::vector<std::pair<std::string, ScalarValue>> values {
        { "null", ScalarValue::null() },
        { "true", ScalarValue::boolean(true) },
        { "false", ScalarValue::boolean(false) },
        { "int_min", ScalarValue::integer(INT64_MIN) },
        { "int_max", ScalarValue::integer(INT64_MAX) },
        { "uint_max", ScalarValue::uinteger(UINT64_MAX) },
        { "f64", ScalarValue::f64(-0.125) },
        { "str", ScalarValue::str("héllo") },
        { "empty", ScalarValue::str("") },
        { "bytes", ScalarValue::bytes({ 0, 1, 255 }) },
        { "counter", ScalarValue::counter(-5) },
        { "timestamp", ScalarValue::timestamp(1700000000123) },
        { "unknown", ScalarValue::unknown(12, { 9, 8, 7 }) },
    };
    for (auto const& [key, value] : values)
        ASSERT_TRUE(document.put(ROOT, key, value));
    auto loaded = Document::load(document.save()).value();
    for (auto const& [key, value] : values)
        EXPECT_EQ(winner(loaded, key), value) << key;
    EXPECT_EQ(hex(loaded.save()), hex(document.save()));
}

TEST(Document, IntAndUintOfTheSameNumberDiffer)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "n", ScalarValue::integer(1)));
    ASSERT_TRUE(document.put(ROOT, "n", ScalarValue::uinteger(1)));
    EXPECT_EQ(document.change_count(), 2u);
}

TEST(Document, PuttingTheValueAlreadyHeldRecordsNothing)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "flag", ScalarValue::boolean(true)));
    auto heads = document.heads();
    auto saved = document.save();
    ASSERT_TRUE(document.put(ROOT, "flag", ScalarValue::boolean(true)));
    EXPECT_EQ(document.heads(), heads);
    EXPECT_EQ(document.save(), saved);
    EXPECT_EQ(document.change_count(), 1u);
}

TEST(Document, PuttingACounterOfItsCurrentValueRecordsNothing)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "views", ScalarValue::counter(5)));
    ASSERT_TRUE(document.apply_changes(increment_change(document, actor(2), "views", actor(1), 1, 2)));
    ASSERT_EQ(winner(document, "views"), ScalarValue::counter(7));
    auto heads = document.heads();

    struct Case {
        ScalarValue value;
        bool records;
    };
    // In order, each over the state the one before left.
    Case const cases[] = {
        { ScalarValue::counter(7), false }, // the current value, increments included
        { ScalarValue::integer(7), true },  // the same number as another kind
        { ScalarValue::counter(7), true },  // a counter over that int
        { ScalarValue::counter(7), false },
        { ScalarValue::counter(5), true },
    };
    size_t changes = document.change_count();
    for (auto const& c : cases) {
        ASSERT_TRUE(document.put(ROOT, "views", c.value));
        EXPECT_EQ(document.change_count(), changes + (c.records ? 1 : 0)) << c.value.debug_text();
        changes = document.change_count();
        EXPECT_EQ(winner(document, "views"), c.value);
    }
    EXPECT_NE(document.heads(), heads);
}

TEST(Document, ConcurrentIncrementSurvivesAPutOfTheCounterItShows)
{
    Document phone(actor(1));
    ASSERT_TRUE(phone.put(ROOT, "plays", ScalarValue::counter(0)));
    auto increment = increment_change(phone, actor(3), "plays", actor(1), 1, 1);
    // The phone writes the counter it shows while the other device's increment is on its way.
    ASSERT_TRUE(phone.put(ROOT, "plays", ScalarValue::counter(0)));
    ASSERT_TRUE(phone.apply_changes(increment));
    EXPECT_EQ(winner(phone, "plays"), ScalarValue::counter(1));
    auto reloaded = Document::load(phone.save());
    ASSERT_TRUE(reloaded) << reloaded.error().message;
    EXPECT_EQ(winner(*reloaded, "plays"), ScalarValue::counter(1));
}

TEST(Document, PutOutsideATransactionCommitsAtOnce)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "a", ScalarValue::integer(1)));
    ASSERT_TRUE(document.put(ROOT, "b", ScalarValue::integer(2)));
    EXPECT_EQ(document.change_count(), 2u);
    EXPECT_EQ(document.heads().size(), 1u);
    EXPECT_FALSE(document.in_transaction());
}

TEST(Document, TransactionCommitsItsOpsAsOneChange)
{
    Document document(actor(1));
    ASSERT_TRUE(document.begin());
    ASSERT_TRUE(document.put(ROOT, "a", ScalarValue::integer(1)));
    auto child = document.put_object(ROOT, "child", ObjType::Map).value();
    ASSERT_TRUE(document.put(child, "b", ScalarValue::integer(2)));
    EXPECT_TRUE(document.heads().empty());
    EXPECT_EQ(document.pending_ops(), 3u);
    CommitOptions options;
    options.message = "together";
    options.time = 12;
    auto hash = document.commit(options);
    ASSERT_TRUE(hash.has_value());
    EXPECT_EQ(document.heads(), std::vector<ChangeHash> { *hash });
    EXPECT_EQ(document.change_count(), 1u);
    EXPECT_EQ(winner(document, "b", child), ScalarValue::integer(2));
}

TEST(Document, EmptyCommitRecordsNothing)
{
    Document document(actor(1));
    ASSERT_TRUE(document.begin());
    EXPECT_FALSE(document.commit().has_value());
    EXPECT_TRUE(document.heads().empty());
    EXPECT_FALSE(document.begin().error().message.empty() && false);
}

TEST(Document, SecondBeginIsRefused)
{
    Document document(actor(1));
    ASSERT_TRUE(document.begin());
    auto again = document.begin();
    ASSERT_FALSE(again.has_value());
    EXPECT_EQ(again.error().code, ErrorCode::InvalidArgument);
}

TEST(Document, RollbackLeavesBytesHeadsAndValuesUnchanged)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "kept", ScalarValue::str("before")));
    auto child = document.put_object(ROOT, "child", ObjType::Map).value();
    ASSERT_TRUE(document.put(child, "inner", ScalarValue::integer(1)));
    auto saved = document.save();
    auto heads = document.heads();
    auto dumped = test::dump(document);

    ASSERT_TRUE(document.begin());
    ASSERT_TRUE(document.put(ROOT, "kept", ScalarValue::str("after")));
    ASSERT_TRUE(document.put(ROOT, "new", ScalarValue::integer(5)));
    auto grandchild = document.put_object(child, "grandchild", ObjType::Map).value();
    ASSERT_TRUE(document.put(grandchild, "x", ScalarValue::integer(1)));
    ASSERT_TRUE(document.put_object(ROOT, "child", ObjType::Map));
    EXPECT_EQ(document.save(), saved); // an open transaction is not saved
    document.rollback();

    EXPECT_EQ(document.save(), saved);
    EXPECT_EQ(document.heads(), heads);
    EXPECT_EQ(test::dump(document), dumped);
    EXPECT_FALSE(document.has_object(grandchild));

    // The next change starts where the rolled back one would have.
    ASSERT_TRUE(document.put(ROOT, "kept", ScalarValue::str("later")));
    auto reloaded = Document::load(document.save()).value();
    EXPECT_EQ(winner(reloaded, "kept"), ScalarValue::str("later"));
}

TEST(Document, SaveLoadKeepsNestedMaps)
{
    Document document(actor(1));
    auto vexa = document.put_object(ROOT, "vexa", ObjType::Map).value();
    auto likes = document.put_object(vexa, "likes", ObjType::Map).value();
    ASSERT_TRUE(document.put(likes, "video", ScalarValue::boolean(true)));
    auto loaded = Document::load(document.save()).value();
    auto vexa_value = loaded.get(ROOT, "vexa").value();
    ASSERT_TRUE(vexa_value && vexa_value->is_map());
    auto likes_value = loaded.get(vexa_value->object, "likes").value();
    ASSERT_TRUE(likes_value && likes_value->is_map());
    EXPECT_EQ(winner(loaded, "video", likes_value->object), ScalarValue::boolean(true));
    EXPECT_EQ(loaded.object_type(likes_value->object).value(), ObjType::Map);
}

TEST(Document, ConcurrentPutsGiveAllValuesInOpIdOrder)
{
    Document a(actor(0xaa)), b(actor(0xbb));
    ASSERT_TRUE(a.put(ROOT, "base", ScalarValue::integer(0)));
    ASSERT_TRUE(b.merge(a));
    ASSERT_TRUE(a.put(ROOT, "key", ScalarValue::str("from a")));
    ASSERT_TRUE(b.put(ROOT, "key", ScalarValue::str("from b")));
    ASSERT_TRUE(a.merge(b));
    ASSERT_TRUE(b.merge(a));
    // Same counter: the larger actor wins and comes last.
    auto all = a.get_all(ROOT, "key").value();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].scalar, ScalarValue::str("from a"));
    EXPECT_EQ(all[1].scalar, ScalarValue::str("from b"));
    EXPECT_EQ(winner(a, "key"), ScalarValue::str("from b"));
    EXPECT_EQ(a.heads(), b.heads());
    EXPECT_EQ(a.heads().size(), 2u);
    EXPECT_EQ(test::dump(a), test::dump(b));
    EXPECT_EQ(test::dump(*Document::load(a.save())), test::dump(*Document::load(b.save())));

    // A put over the conflict replaces both values.
    ASSERT_TRUE(a.put(ROOT, "key", ScalarValue::str("resolved")));
    EXPECT_EQ(a.get_all(ROOT, "key").value().size(), 1u);
    EXPECT_EQ(a.heads().size(), 1u);
}

TEST(Document, MergeIsIdempotentAndChangesLoad)
{
    Document a(actor(1)), b(actor(2));
    ASSERT_TRUE(a.put(ROOT, "x", ScalarValue::integer(1)));
    ASSERT_TRUE(b.put(ROOT, "y", ScalarValue::integer(2)));
    ASSERT_TRUE(a.merge(b));
    auto heads = a.heads();
    ASSERT_TRUE(a.merge(b));
    EXPECT_EQ(a.heads(), heads);
    std::vector<uint8_t> chunks;
    for (auto const& change : a.changes())
        chunks.insert(chunks.end(), change.begin(), change.end());
    auto loaded = Document::load(chunks).value();
    EXPECT_EQ(loaded.heads(), heads);
    EXPECT_EQ(test::dump(loaded), test::dump(a));
    // A document chunk followed by change chunks.
    Document c(actor(3));
    ASSERT_TRUE(c.merge(a));
    ASSERT_TRUE(c.put(ROOT, "z", ScalarValue::integer(3)));
    auto combined = a.save();
    auto last = c.changes().back();
    combined.insert(combined.end(), last.begin(), last.end());
    auto both = Document::load(combined).value();
    EXPECT_EQ(both.heads(), c.heads());
}

TEST(Document, LoadedDocumentContinuesTheActorsSequence)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "a", ScalarValue::integer(1)));
    LoadOptions options;
    options.actor = actor(1);
    auto loaded = Document::load(document.save(), options).value();
    ASSERT_TRUE(loaded.put(ROOT, "a", ScalarValue::integer(2)));
    ASSERT_TRUE(document.put(ROOT, "a", ScalarValue::integer(2)));
    // Same actor, same seq, same time only when the clock agrees; compare structure instead.
    EXPECT_EQ(loaded.change_count(), 2u);
    auto reloaded = Document::load(loaded.save()).value();
    EXPECT_EQ(winner(reloaded, "a"), ScalarValue::integer(2));
}

TEST(Document, MapsNestedPastTheLimitAreRefused)
{
    Document document(actor(1));
    ObjId obj = ROOT;
    for (int depth = 0; depth < 64; ++depth)
        obj = document.put_object(obj, "child", ObjType::Map).value();
    auto deeper = document.put_object(obj, "child", ObjType::Map);
    ASSERT_FALSE(deeper.has_value());
    EXPECT_EQ(deeper.error().code, ErrorCode::TooLarge);
    EXPECT_TRUE(Document::load(document.save()).has_value());
}

TEST(Document, OnlyMapObjectsCanBeCreated)
{
    Document document(actor(1));
    for (auto type : { ObjType::List, ObjType::Text, ObjType::Table }) {
        auto made = document.put_object(ROOT, "x", type);
        ASSERT_FALSE(made.has_value());
        EXPECT_EQ(made.error().code, ErrorCode::Unsupported);
    }
    EXPECT_EQ(document.change_count(), 0u);
}

TEST(Document, KeysAndStringsThatAreNotUtf8AreRefusedBeforeAnyWrite)
{
    struct Case {
        char const* name;
        std::string key;
        ScalarValue value;
        bool as_map;
        char const* error; // none: accepted
    };
    std::string const lone_continuation = "a\x80" "b";
    std::string const overlong_slash = "\xc0\xaf";
    std::string const surrogate = "\xed\xa0\x80";
    std::string const cut_short = "\xe2\x82";
    Case const cases[] = {
        { "plain", "key", ScalarValue::str("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xac"), false, nullptr },
        { "bytes value", "key", ScalarValue::bytes({ 0xff, 0xfe }), false, nullptr },
        { "bad key", lone_continuation, ScalarValue::boolean(true), false, "document: a key is not valid UTF-8" },
        { "overlong key", overlong_slash, ScalarValue::boolean(true), false, "document: a key is not valid UTF-8" },
        { "bad string", "key", ScalarValue::str(surrogate), false, "document: a string value is not valid UTF-8" },
        { "cut string", "key", ScalarValue::str(cut_short), false, "document: a string value is not valid UTF-8" },
        { "bad map key", cut_short, ScalarValue::null(), true, "document: a key is not valid UTF-8" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        Document document(actor(1));
        ASSERT_TRUE(document.put(ROOT, "kept", ScalarValue::str("before")));
        auto saved = document.save();
        ASSERT_TRUE(document.begin());
        bool ok = c.as_map ? document.put_object(ROOT, c.key, ObjType::Map).has_value() : document.put(ROOT, c.key, c.value).has_value();
        EXPECT_EQ(document.pending_ops(), ok ? 1u : 0u);
        document.commit();
        if (!c.error) {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(Document::load(document.save()).has_value());
            continue;
        }
        auto again = c.as_map ? document.put_object(ROOT, c.key, ObjType::Map).error() : document.put(ROOT, c.key, c.value).error();
        EXPECT_FALSE(ok);
        EXPECT_EQ(again.code, ErrorCode::InvalidArgument);
        EXPECT_EQ(again.message, c.error);
        EXPECT_EQ(document.save(), saved);
    }
}

TEST(Document, ReplacingAMapWithAScalarHidesIt)
{
    Document document(actor(1));
    auto child = document.put_object(ROOT, "vexa", ObjType::Map).value();
    ASSERT_TRUE(document.put(child, "k", ScalarValue::integer(1)));
    ASSERT_TRUE(document.put(ROOT, "vexa", ScalarValue::str("text")));
    EXPECT_EQ(winner(document, "vexa"), ScalarValue::str("text"));
    auto loaded = Document::load(document.save()).value();
    EXPECT_EQ(winner(loaded, "vexa"), ScalarValue::str("text"));
    ASSERT_TRUE(loaded.put_object(ROOT, "vexa", ObjType::Map));
    EXPECT_TRUE(loaded.get(ROOT, "vexa").value()->is_map());
}

TEST(Transaction, CommitsOrRollsBackItsOps)
{
    Document document(actor(1));
    ASSERT_TRUE(document.put(ROOT, "kept", ScalarValue::integer(1)));
    auto saved = document.save();
    {
        auto transaction = Transaction::open(document).value();
        ASSERT_TRUE(transaction.put(ROOT, "kept", ScalarValue::integer(2)));
        EXPECT_EQ(transaction.get(ROOT, "kept").value()->scalar, ScalarValue::integer(2));
        EXPECT_FALSE(Transaction::open(document).has_value());
        // Destroyed while open: rolled back.
    }
    EXPECT_EQ(document.save(), saved);
    auto transaction = Transaction::open(document).value();
    auto child = transaction.put_object(ROOT, "child", ObjType::Map).value();
    ASSERT_TRUE(transaction.put(child, "x", ScalarValue::boolean(true)));
    EXPECT_EQ(transaction.pending_ops(), 2u);
    EXPECT_TRUE(transaction.commit().has_value());
    EXPECT_FALSE(transaction.put(ROOT, "late", ScalarValue::null()).has_value());
    EXPECT_EQ(document.change_count(), 2u);
}
