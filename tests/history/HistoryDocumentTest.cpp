// The history document: the entry record's JSON, the actions' encoded forms and layout, and the
// read rules (clears, concurrent values, liveness, the migration flag).

#include <gtest/gtest.h>

#include "automerge/Document.h"
#include "src/history/HistoryEntryRecord.h"
#include "src/history/HistoryReaders.h"
#include "src/history/OwnerHistoryAction.h"

using automerge::Document;
using automerge::ObjId;
using automerge::ScalarValue;
using vexa::HistoryEntryRecord;
using vexa::OwnerHistoryAction;

namespace {

automerge::ActorId actor(uint8_t fill) { return automerge::ActorId(std::vector<uint8_t>(16, fill)); }

std::string record(bool present, uint64_t at, std::string const& mutation)
{
    return *HistoryEntryRecord { present, at, mutation }.to_json();
}

ObjId ensure(Document& document, ObjId parent, std::string_view key)
{
    if (auto existing = vexa::map_at(document, parent, key))
        return *existing;
    return *document.put_object(parent, key, automerge::ObjType::Map);
}

void put_in(Document& document, std::string_view map, std::string_view key, ScalarValue value)
{
    auto history = ensure(document, automerge::ROOT, "owner_history");
    auto inner = ensure(document, history, map);
    ASSERT_TRUE(document.put(inner, key, std::move(value)));
}

bool apply(Document& document, OwnerHistoryAction const& action)
{
    return vexa::dispatch_history_action_with_context(document, action, action.dispatch_context()).has_value();
}

std::vector<std::pair<std::string, uint64_t>> live(Document const& document)
{
    std::vector<std::pair<std::string, uint64_t>> out;
    for (auto const& entry : vexa::live_entries(document))
        out.emplace_back(entry.video_id, entry.record.watched_at_ms);
    return out;
}

// Two documents that start from one shared base, each writes its own value, then merged: the
// key then holds both as concurrent values.
Document concurrent(std::function<void(Document&)> const& base, std::function<void(Document&)> const& left,
    std::function<void(Document&)> const& right)
{
    Document a(actor(0xaa));
    base(a);
    auto b = *Document::load(a.save(), automerge::LoadOptions { actor(0xbb) });
    left(a);
    right(b);
    EXPECT_TRUE(a.merge(b));
    return a;
}

}

TEST(HistoryEntryRecord, JsonFormAndReading)
{
    EXPECT_EQ(record(true, 1700000000123, "user:x:watch:v:1700000000123"),
        R"({"present":true,"watched_at_ms":1700000000123,"mutation_id":"user:x:watch:v:1700000000123"})");

    struct Case {
        std::string json;
        std::optional<HistoryEntryRecord> expected;
    };
    std::vector<Case> cases = {
        { R"({"present":true,"watched_at_ms":5,"mutation_id":"m"})", HistoryEntryRecord { true, 5, "m" } },
        { R"({"mutation_id":"m","present":false,"watched_at_ms":5})", HistoryEntryRecord { false, 5, "m" } },
        { R"({"present":true,"watched_at_ms":5,"mutation_id":"m","title":"extra","nested":{"a":1,"a":2}})", HistoryEntryRecord { true, 5, "m" } },
        { R"( [true, 18446744073709551615, "m"] )", HistoryEntryRecord { true, UINT64_MAX, "m" } },
        { R"({"present":true,"watched_at_ms":5})", std::nullopt },           // missing member
        { R"({"present":true,"watched_at_ms":5,"mutation_id":"m","present":false})", std::nullopt }, // given twice
        { R"({"present":"yes","watched_at_ms":5,"mutation_id":"m"})", std::nullopt },
        { R"({"present":true,"watched_at_ms":-5,"mutation_id":"m"})", std::nullopt },
        { R"({"present":true,"watched_at_ms":5.5,"mutation_id":"m"})", std::nullopt },
        { R"({"present":true,"watched_at_ms":18446744073709551616,"mutation_id":"m"})", std::nullopt },
        { R"({"present":true,"watched_at_ms":5,"mutation_id":7})", std::nullopt },
        { R"([true, 5])", std::nullopt },
        { R"([true, 5, "m", 1])", std::nullopt },
        { R"({"present":true,"watched_at_ms":5,"mutation_id":"m"} trailing)", std::nullopt },
        { "not json", std::nullopt },
        { "\"a string\"", std::nullopt },
        { "", std::nullopt },
    };
    for (auto const& c : cases) {
        auto parsed = HistoryEntryRecord::parse(c.json);
        if (c.expected) {
            ASSERT_TRUE(parsed) << c.json << ": " << parsed.error();
            EXPECT_EQ(*parsed, *c.expected) << c.json;
        } else {
            EXPECT_FALSE(parsed) << c.json;
        }
    }
    EXPECT_EQ(HistoryEntryRecord::parse(R"({"present":true,"watched_at_ms":5})").error(), "missing field `mutation_id`");
    EXPECT_EQ(HistoryEntryRecord::parse("[true]").error(), "invalid length 1, expected struct HistoryEntryRecord with 3 elements");
}

TEST(OwnerHistoryAction, EncodedFormsAndIdentifiers)
{
    struct Case {
        OwnerHistoryAction action;
        std::string json;
        std::string debug;
    };
    std::vector<Case> cases = {
        { OwnerHistoryAction::watch("user:o", "abc", 42), R"({"SetEntry":{"video_id":"abc","watched_at_ms":42,"present":true,"mutation_id":"user:o:watch:abc:42"}})",
            R"(SetEntry { video_id: "abc", watched_at_ms: 42, present: true, mutation_id: "user:o:watch:abc:42" })" },
        { OwnerHistoryAction::remove("user:o", "abc", 43), R"({"SetEntry":{"video_id":"abc","watched_at_ms":43,"present":false,"mutation_id":"user:o:remove:abc:43"}})",
            R"(SetEntry { video_id: "abc", watched_at_ms: 43, present: false, mutation_id: "user:o:remove:abc:43" })" },
        { OwnerHistoryAction::device_sync("user:o", "v", 7), R"({"SetEntry":{"video_id":"v","watched_at_ms":7,"present":true,"mutation_id":"user:o:device-sync:v:7"}})",
            R"(SetEntry { video_id: "v", watched_at_ms: 7, present: true, mutation_id: "user:o:device-sync:v:7" })" },
        { OwnerHistoryAction::clear_all("user:o", 44), R"({"Clear":{"cleared_at_ms":44,"clear_id":"user:o:clear:all:44"}})",
            R"(Clear { cleared_at_ms: 44, clear_id: "user:o:clear:all:44" })" },
        { OwnerHistoryAction::LegacyMigrationComplete {}, R"("LegacyMigrationComplete")", "LegacyMigrationComplete" },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(c.action.to_json_text(), c.json);
        EXPECT_EQ(c.action.to_json_value().dump(), c.json);
        auto encoded = c.action.to_encoded_action();
        EXPECT_EQ(encoded.kind, "vexa.owner-history.action");
        EXPECT_EQ(encoded.payload_text(), c.json);
        EXPECT_EQ(c.action.debug_text(), c.debug);
        EXPECT_FALSE(c.action.predicate());
        auto context = c.action.dispatch_context();
        EXPECT_EQ(context.resource_title, "Vexa owner-local history");
        EXPECT_NE(context.label.find(std::string(c.action.variant_name())), std::string::npos);
    }
}

TEST(OwnerHistoryAction, WritesTheDocumentLayout)
{
    Document document;
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "v1", 100)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::clear_all("user:o", 50)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::LegacyMigrationComplete {}));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::LegacyMigrationComplete {}));

    auto history = vexa::owner_history_map(document);
    ASSERT_TRUE(history);
    auto entries = vexa::map_at(document, *history, "entries");
    auto clears = vexa::map_at(document, *history, "clears");
    ASSERT_TRUE(entries && clears);
    auto entry = document.get(*entries, "v1");
    ASSERT_TRUE(entry && *entry);
    EXPECT_EQ(*(*entry)->scalar.as_str(), R"({"present":true,"watched_at_ms":100,"mutation_id":"user:o:watch:v1:100"})");
    auto clear = document.get(*clears, "user:o:clear:all:50");
    ASSERT_TRUE(clear && *clear);
    EXPECT_EQ(*(*clear)->scalar.as_str(), "50");
    EXPECT_TRUE(vexa::read_legacy_migration_flag(document));

    // A later SetEntry replaces the earlier value whatever the times.
    ASSERT_TRUE(apply(document, OwnerHistoryAction::SetEntry { .video_id = "v1", .watched_at_ms = 10, .present = true, .mutation_id = "older" }));
    EXPECT_EQ(vexa::resolve_entry(document, *entries, "v1")->mutation_id, "older");
}

TEST(OwnerHistoryAction, ReplacesNonMapValuesOnTheWay)
{
    Document document;
    ASSERT_TRUE(document.put(automerge::ROOT, "owner_history", ScalarValue::str("not a map")));
    EXPECT_FALSE(vexa::owner_history_map(document));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "v", 5)));
    ASSERT_TRUE(vexa::owner_history_map(document));

    auto history = *vexa::owner_history_map(document);
    ASSERT_TRUE(document.put(history, "entries", ScalarValue::uinteger(3)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "w", 6)));
    EXPECT_EQ(live(document), (std::vector<std::pair<std::string, uint64_t>> { { "w", 6 } }));
}

TEST(HistoryReaders, EmptyDocument)
{
    Document document;
    EXPECT_TRUE(vexa::live_entries(document).empty());
    EXPECT_EQ(vexa::latest_clear_ms(document, vexa::owner_history_map(document)), 0u);
    EXPECT_FALSE(vexa::read_legacy_migration_flag(document));
}

TEST(HistoryReaders, ClearValues)
{
    struct Case {
        ScalarValue value;
        uint64_t expected;
    };
    std::vector<Case> cases = {
        { ScalarValue::str("1000"), 1000 },
        { ScalarValue::str("18446744073709551615"), UINT64_MAX },
        { ScalarValue::str("18446744073709551616"), 0 }, // past 64 bits
        { ScalarValue::str("abc"), 0 },
        { ScalarValue::str(" 1000"), 0 },
        { ScalarValue::str("+1000"), 0 },
        { ScalarValue::str("-1"), 0 },
        { ScalarValue::str("10.5"), 0 },
        { ScalarValue::str(""), 0 },
        { ScalarValue::uinteger(1000), 0 },
        { ScalarValue::integer(1000), 0 },
        { ScalarValue::f64(1000), 0 },
        { ScalarValue::timestamp(1000), 0 },
        { ScalarValue::counter(1000), 0 },
        { ScalarValue::boolean(true), 0 },
        { ScalarValue::null(), 0 },
        { ScalarValue::bytes({ '1' }), 0 },
    };
    for (auto const& c : cases) {
        Document document;
        put_in(document, "clears", "c", c.value);
        put_in(document, "clears", "ignored", ScalarValue::str("nope"));
        EXPECT_EQ(vexa::latest_clear_ms(document, vexa::owner_history_map(document)), c.expected) << c.value.debug_text();
    }

    // The latest over keys, and over a key's concurrent values the largest that counts.
    auto document = concurrent([](Document& d) { put_in(d, "clears", "a", ScalarValue::str("300")); },
        [](Document& d) { put_in(d, "clears", "k", ScalarValue::str("500")); },
        [](Document& d) { put_in(d, "clears", "k", ScalarValue::str("400")); });
    EXPECT_EQ(vexa::latest_clear_ms(document, vexa::owner_history_map(document)), 500u);
    auto letters = concurrent([](Document& d) { put_in(d, "clears", "a", ScalarValue::str("300")); },
        [](Document& d) { put_in(d, "clears", "k", ScalarValue::str("700")); },
        [](Document& d) { put_in(d, "clears", "k", ScalarValue::str("zzz")); });
    EXPECT_EQ(vexa::latest_clear_ms(letters, vexa::owner_history_map(letters)), 700u);
}

TEST(HistoryReaders, ClearHidesEntriesAtOrBeforeItsTime)
{
    Document document;
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "at", 1000)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "before", 999)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "after", 1001)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::clear_all("user:o", 1000)));
    EXPECT_EQ(live(document), (std::vector<std::pair<std::string, uint64_t>> { { "after", 1001 } }));
    // A watch after the clear shows the video again.
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "at", 2000)));
    EXPECT_EQ(live(document), (std::vector<std::pair<std::string, uint64_t>> { { "at", 2000 }, { "after", 1001 } }));
}

TEST(HistoryReaders, RemovalAndRewatch)
{
    Document document;
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "v", 10)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "w", 10)));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::remove("user:o", "v", 20)));
    EXPECT_EQ(live(document), (std::vector<std::pair<std::string, uint64_t>> { { "w", 10 } }));
    ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", "v", 30)));
    EXPECT_EQ(live(document), (std::vector<std::pair<std::string, uint64_t>> { { "v", 30 }, { "w", 10 } }));
}

TEST(HistoryReaders, ConcurrentValuesResolveByTimeThenMutationId)
{
    struct Case {
        char const* name;
        std::string left;
        std::string right;
        std::optional<uint64_t> live_at; // none: hidden
    };
    std::vector<Case> cases = {
        { "later removal wins over a watch", record(true, 100, "a"), record(false, 200, "b"), std::nullopt },
        { "later watch wins over a removal", record(false, 100, "b"), record(true, 200, "a"), 200 },
        { "equal times: larger mutation id", record(false, 100, "zz"), record(true, 100, "aa"), std::nullopt },
        { "equal times: larger mutation id, other side", record(true, 100, "zz"), record(false, 100, "aa"), 100 },
        { "unreadable value is skipped", "{\"present\":true}", record(true, 50, "m"), 50 },
        { "not JSON is skipped", "garbage", record(true, 60, "m"), 60 },
        { "array form is read", R"([true,300,"x"])", record(true, 200, "y"), 300 },
    };
    for (auto const& c : cases) {
        for (bool swap : { false, true }) {
            auto const& first = swap ? c.right : c.left;
            auto const& second = swap ? c.left : c.right;
            auto document = concurrent([](Document& d) { put_in(d, "entries", "v", ScalarValue::str(record(true, 1, "base"))); },
                [&](Document& d) { put_in(d, "entries", "v", ScalarValue::str(first)); },
                [&](Document& d) { put_in(d, "entries", "v", ScalarValue::str(second)); });
            auto entries = vexa::map_at(document, *vexa::owner_history_map(document), "entries");
            ASSERT_EQ(document.get_all(*entries, "v")->size(), 2u) << c.name;
            auto shown = live(document);
            if (c.live_at)
                EXPECT_EQ(shown, (std::vector<std::pair<std::string, uint64_t>> { { "v", *c.live_at } })) << c.name << (swap ? " (swapped)" : "");
            else
                EXPECT_TRUE(shown.empty()) << c.name << (swap ? " (swapped)" : "");
        }
    }
}

TEST(HistoryReaders, TieOfEqualRecordsTakesTheLaterValue)
{
    // Values equal in time and mutation id, different in presence: the later in the document's
    // order of concurrent values wins.
    auto document = concurrent([](Document& d) { put_in(d, "entries", "v", ScalarValue::str(record(true, 1, "base"))); },
        [](Document& d) { put_in(d, "entries", "v", ScalarValue::str(record(true, 100, "same"))); },
        [](Document& d) { put_in(d, "entries", "v", ScalarValue::str(record(false, 100, "same"))); });
    auto entries = *vexa::map_at(document, *vexa::owner_history_map(document), "entries");
    auto values = *document.get_all(entries, "v");
    ASSERT_EQ(values.size(), 2u);
    auto last = HistoryEntryRecord::parse(*values.back().scalar.as_str());
    EXPECT_EQ(vexa::resolve_entry(document, entries, "v")->present, last->present);
}

TEST(HistoryReaders, OrderNewestFirstThenVideoIdAndLegacyFlagKinds)
{
    Document document;
    for (auto const& [video, at] : std::vector<std::pair<std::string, uint64_t>> { { "b", 5 }, { "a", 5 }, { "c", 9 }, { "d", 1 } })
        ASSERT_TRUE(apply(document, OwnerHistoryAction::watch("user:o", video, at)));
    EXPECT_EQ(live(document), (std::vector<std::pair<std::string, uint64_t>> { { "c", 9 }, { "a", 5 }, { "b", 5 }, { "d", 1 } }));
    EXPECT_EQ(vexa::live_entries(document, 2).size(), 2u);

    for (auto value : { ScalarValue::boolean(false), ScalarValue::str("true"), ScalarValue::uinteger(1) }) {
        auto history = *vexa::owner_history_map(document);
        ASSERT_TRUE(document.put(history, "legacy_shared_migration_v1", value));
        EXPECT_FALSE(vexa::read_legacy_migration_flag(document)) << value.debug_text();
    }
}
