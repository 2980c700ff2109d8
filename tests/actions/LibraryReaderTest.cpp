#include <gtest/gtest.h>

#include <functional>

#include "src/actions/LibraryReader.h"
#include "src/model/VexaModel.h"
#include "tests/actions/LibraryFixtures.h"
#include "tests/model/ModelFixtures.h"

namespace vexa {
namespace {

using automerge::Document;
using automerge::ScalarValue;
using testing::ensure_map;

VexaModel model_knowing(std::vector<std::string> const& video_ids)
{
    auto model = VexaModel::empty();
    for (auto const& id : video_ids)
        model.videos.push_back(testing::video(id));
    return model;
}

void put(Document& document, std::initializer_list<std::string_view> map_path, std::string_view key, ScalarValue value)
{
    ASSERT_TRUE(document.put(ensure_map(document, map_path), key, std::move(value)));
}

ScalarValue yes() { return ScalarValue::boolean(true); }
ScalarValue no() { return ScalarValue::boolean(false); }
ScalarValue text(std::string value) { return ScalarValue::str(std::move(value)); }

TEST(LibraryReader, ReadsTheWholeLayout)
{
    Document document;
    put(document, { "vexa", "likes" }, "v2", yes());
    put(document, { "vexa", "likes" }, "v1", yes());
    put(document, { "vexa", "likes" }, "v3", no());
    put(document, { "vexa", "likes" }, "unknown", yes());
    put(document, { "vexa", "comment_likes" }, "c2", no());
    put(document, { "vexa", "comment_likes" }, "c1", yes());
    put(document, { "vexa", "comment_likes" }, "c3", text("yes"));
    put(document, { "vexa", "subscriptions" }, "UCb", yes());
    put(document, { "vexa", "subscriptions" }, "UCa", yes());
    put(document, { "vexa", "subscriptions" }, "UCc", no());
    put(document, { "vexa", "queue" }, "v3", yes());
    put(document, { "vexa", "settings" }, "autoplay", no());
    put(document, { "vexa", "settings" }, "dearrow_thumbnails", no());
    put(document, { "vexa", "settings" }, "preferred_quality", text("480p"));
    put(document, { "vexa", "settings", "sponsor_categories" }, "intro", text("show"));
    put(document, { "vexa", "settings", "sponsor_categories" }, "filler", text("skip"));

    auto model = model_knowing({ "v1", "v2", "v3" });
    EXPECT_TRUE(read_shared_library(document, model));
    EXPECT_EQ(model.liked_videos, (std::vector<std::string> { "v1", "v2" })) << "in the model's order, known videos only";
    EXPECT_EQ(model.comment_likes, (std::map<std::string, bool> { { "c1", true }, { "c2", false } }));
    EXPECT_EQ(model.subscriptions, (std::vector<std::string> { "UCa", "UCb" })) << "in the document's key order";
    EXPECT_EQ(model.queue, (std::vector<std::string> { "v3" }));
    EXPECT_FALSE(model.settings.autoplay);
    EXPECT_FALSE(model.settings.dearrow_thumbnails);
    EXPECT_TRUE(model.settings.sponsorblock);
    EXPECT_EQ(model.settings.preferred_quality, "480p");
    EXPECT_EQ(model.settings.stored_segment_mode(SegmentCategory::Intro), SegmentMode::Show);
    EXPECT_EQ(model.settings.stored_segment_mode(SegmentCategory::Filler), SegmentMode::Skip);

    auto before = model;
    EXPECT_FALSE(read_shared_library(document, model)) << "an unchanged document reports no change";
    EXPECT_EQ(model, before);
}

// A model with every field set away from its defaults, so that a read that wrongly clears or
// resets a field shows.
VexaModel populated_model()
{
    auto model = model_knowing({ "v1", "v2" });
    model.liked_videos = { "v1" };
    model.comment_likes = { { "c1", true } };
    model.subscriptions = { "UC1" };
    model.queue = { "v2" };
    model.settings.autoplay = false;
    model.settings.preferred_quality = "720p";
    model.settings.sponsor_categories["sponsor"] = SegmentMode::Show;
    return model;
}

// Documents whose values are missing, of the wrong kind or not maps: every field keeps its value.
TEST(LibraryReader, KeepsEveryFieldWhoseValueIsMissingOrOfTheWrongKind)
{
    struct Row {
        std::string_view name;
        std::function<void(Document&)> build;
    };
    Row const rows[] = {
        { "empty document", [](Document&) {} },
        { "vexa is a text", [](Document& d) { ASSERT_TRUE(d.put(automerge::ROOT, "vexa", text("{}"))); } },
        { "vexa is an empty map", [](Document& d) { ensure_map(d, { "vexa" }); } },
        { "containers are scalars",
            [](Document& d) {
                for (auto key : { "likes", "comment_likes", "subscriptions", "queue", "settings" })
                    put(d, { "vexa" }, key, yes());
            } },
        { "settings of the wrong kinds",
            [](Document& d) {
                put(d, { "vexa", "settings" }, "autoplay", text("true"));
                put(d, { "vexa", "settings" }, "sponsorblock", ScalarValue::integer(1));
                put(d, { "vexa", "settings" }, "preferred_quality", text("360p"));
                put(d, { "vexa", "settings" }, "sponsor_categories", text("skip"));
            } },
        { "quality of another kind", [](Document& d) { put(d, { "vexa", "settings" }, "preferred_quality", ScalarValue::uinteger(720)); } },
        { "category modes outside the three", [](Document& d) {
             put(d, { "vexa", "settings", "sponsor_categories" }, "sponsor", text("Skip"));
             put(d, { "vexa", "settings", "sponsor_categories" }, "intro", yes());
             put(d, { "vexa", "settings", "sponsor_categories" }, "outro", text(""));
         } },
        { "quality label in another case", [](Document& d) { put(d, { "vexa", "settings" }, "preferred_quality", text("AUTO")); } },
    };
    for (auto const& row : rows) {
        SCOPED_TRACE(row.name);
        Document document;
        row.build(document);
        auto model = populated_model();
        auto const before = model;
        EXPECT_FALSE(read_shared_library(document, model));
        EXPECT_EQ(model, before);
    }
}

TEST(LibraryReader, EmptyMapsClearTheirLists)
{
    Document document;
    for (auto key : { "likes", "comment_likes", "subscriptions", "queue" })
        ensure_map(document, { "vexa", key });
    auto model = populated_model();
    EXPECT_TRUE(read_shared_library(document, model));
    EXPECT_TRUE(model.liked_videos.empty());
    EXPECT_TRUE(model.comment_likes.empty());
    EXPECT_TRUE(model.subscriptions.empty());
    EXPECT_TRUE(model.queue.empty());
    EXPECT_FALSE(model.settings.autoplay) << "settings are untouched";
}

TEST(LibraryReader, ReportsOnlyRealChanges)
{
    struct Row {
        std::string_view name;
        std::function<void(Document&)> build;
        bool changed;
    };
    Row const rows[] = {
        { "the same likes", [](Document& d) { put(d, { "vexa", "likes" }, "v1", yes()); }, false },
        { "a like of an unknown video only", [](Document& d) {
             put(d, { "vexa", "likes" }, "v1", yes());
             put(d, { "vexa", "likes" }, "v9", yes());
         }, false },
        { "another like", [](Document& d) { put(d, { "vexa", "likes" }, "v2", yes()); }, true },
        { "the same quality", [](Document& d) { put(d, { "vexa", "settings" }, "preferred_quality", text("720p")); }, false },
        { "another quality", [](Document& d) { put(d, { "vexa", "settings" }, "preferred_quality", text("1080p")); }, true },
        { "the same boolean setting", [](Document& d) { put(d, { "vexa", "settings" }, "autoplay", no()); }, false },
        { "another boolean setting", [](Document& d) { put(d, { "vexa", "settings" }, "autoplay", yes()); }, true },
        { "the stored mode", [](Document& d) { put(d, { "vexa", "settings", "sponsor_categories" }, "sponsor", text("show")); }, false },
        { "the default filler mode", [](Document& d) { put(d, { "vexa", "settings", "sponsor_categories" }, "filler", text("disabled")); }, false },
        { "another mode", [](Document& d) { put(d, { "vexa", "settings", "sponsor_categories" }, "sponsor", text("disabled")); }, true },
        { "the same comment like", [](Document& d) { put(d, { "vexa", "comment_likes" }, "c1", yes()); }, false },
        { "the comment like turned false", [](Document& d) { put(d, { "vexa", "comment_likes" }, "c1", no()); }, true },
        { "the same subscriptions", [](Document& d) { put(d, { "vexa", "subscriptions" }, "UC1", yes()); }, false },
        { "subscription turned false", [](Document& d) { put(d, { "vexa", "subscriptions" }, "UC1", no()); }, true },
    };
    for (auto const& row : rows) {
        SCOPED_TRACE(row.name);
        Document document;
        row.build(document);
        auto model = populated_model();
        EXPECT_EQ(read_shared_library(document, model), row.changed);
    }
}

TEST(LibraryReader, AStoredModeAbsentFromTheModelAlwaysCounts)
{
    Document document;
    put(document, { "vexa", "settings", "sponsor_categories" }, "preview", text("skip"));
    auto model = VexaModel::empty();
    model.settings.sponsor_categories.erase("preview");
    EXPECT_TRUE(read_shared_library(document, model));
    EXPECT_EQ(model.settings.sponsor_categories.at("preview"), SegmentMode::Skip);
}

TEST(LibraryReader, ALikeOfAVideoShowsOnceTheVideoIsKnown)
{
    Document document;
    put(document, { "vexa", "likes" }, "later", yes());
    auto model = model_knowing({ "v1" });
    EXPECT_FALSE(read_shared_library(document, model));
    model.videos.push_back(testing::video("later"));
    EXPECT_TRUE(read_shared_library(document, model));
    EXPECT_EQ(model.liked_videos, (std::vector<std::string> { "later" }));
}

TEST(LibraryReader, ConcurrentValuesReadAsTheDocumentsWinner)
{
    Document first(automerge::ActorId(std::vector<uint8_t>(16, 0x01)));
    ensure_map(first, { "vexa", "likes" });
    ensure_map(first, { "vexa", "settings" });
    auto second_loaded = Document::load(first.save(), automerge::LoadOptions { .actor = automerge::ActorId(std::vector<uint8_t>(16, 0x02)) });
    ASSERT_TRUE(second_loaded);
    Document second = std::move(*second_loaded);
    put(first, { "vexa", "likes" }, "v1", no());
    put(first, { "vexa", "settings" }, "preferred_quality", text("480p"));
    put(second, { "vexa", "likes" }, "v1", yes());
    put(second, { "vexa", "settings" }, "preferred_quality", text("auto"));
    ASSERT_TRUE(first.merge(second));
    // Equal counters: the greater actor's value wins, as in every replica.
    auto model = model_knowing({ "v1" });
    EXPECT_TRUE(read_shared_library(first, model));
    EXPECT_EQ(model.liked_videos, (std::vector<std::string> { "v1" }));
    EXPECT_EQ(model.settings.preferred_quality, "auto");
}

}
}

namespace vexa {
namespace {

// The per-frame reader against the plain read over a seeded random walk of document edits, local
// echoes, newly known videos and open transactions: the same answers and the same model after
// every step.
TEST(LibraryReaderCache, AgreesWithThePlainReadOverARandomWalk)
{
    std::string const ids[] = { "v1", "v2", "v3", "v4", "v5", "v6" };
    std::string const qualities[] = { "1080p", "720p", "480p", "auto", "360p" };
    std::string const modes[] = { "skip", "show", "disabled", "Skip" };
    Document document;
    auto cached_model = model_knowing({ "v1", "v2", "v3" });
    auto plain_model = cached_model;
    LibraryReader reader;
    uint64_t seed = 0x9e3779b97f4a7c15ull;
    auto next = [&](uint64_t bound) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed % bound;
    };
    bool in_transaction = false;
    int changes = 0;
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        switch (next(11)) {
        case 0:
        case 1:
            put(document, { "vexa", "likes" }, ids[next(6)], ScalarValue::boolean(next(2) == 0));
            break;
        case 2:
            put(document, { "vexa", "subscriptions" }, "UC" + ids[next(6)], ScalarValue::boolean(next(2) == 0));
            break;
        case 3:
            put(document, { "vexa", "queue" }, ids[next(6)], next(3) == 0 ? text("yes") : ScalarValue::boolean(next(2) == 0));
            break;
        case 4:
            put(document, { "vexa", "settings" }, "preferred_quality", text(qualities[next(5)]));
            put(document, { "vexa", "settings" }, setting_flag_key(all_setting_flags[next(7)]), ScalarValue::boolean(next(2) == 0));
            break;
        case 5:
            put(document, { "vexa", "settings", "sponsor_categories" }, segment_category_api_id(all_segment_categories[next(8)]), text(modes[next(4)]));
            break;
        case 6: // a local echo, which the next read confirms or undoes
            for (auto* model : { &cached_model, &plain_model }) {
                model->liked_videos.push_back("v1");
                model->settings.autoplay = !model->settings.autoplay;
                model->settings.sponsor_categories.erase("intro");
            }
            break;
        case 7: // a video becomes known
            if (cached_model.videos.size() < 6) {
                auto video = testing::video(ids[cached_model.videos.size()]);
                cached_model.videos.push_back(video);
                plain_model.videos.push_back(video);
            }
            break;
        case 8: // a container replaced by a scalar, or the whole "vexa" map
            put(document, next(4) == 0 ? std::initializer_list<std::string_view> {} : std::initializer_list<std::string_view> { "vexa" },
                next(2) == 0 ? "likes" : "vexa", ScalarValue::integer(1));
            break;
        case 9: // a transaction opened or closed around the reads
            if (!in_transaction) {
                ASSERT_TRUE(document.begin());
                in_transaction = true;
            } else {
                if (next(2) == 0)
                    document.commit();
                else
                    document.rollback();
                in_transaction = false;
            }
            break;
        default:
            break;
        }
        bool cached = reader.read(document, cached_model);
        bool plain = read_shared_library(document, plain_model);
        ASSERT_EQ(cached, plain);
        ASSERT_EQ(cached_model, plain_model);
        changes += cached ? 1 : 0;
        ASSERT_FALSE(reader.read(document, cached_model)) << "a second read finds nothing new";
    }
    EXPECT_GT(changes, 500) << "the walk changes the library often";
}

}
}
