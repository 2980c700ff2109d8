#include <gtest/gtest.h>

#include "kaso/actions/Executor.h"
#include "tests/actions/LibraryFixtures.h"
#include "src/actions/LibraryWriter.h"
#include "src/actions/TypedDispatch.h"

namespace vexa {
namespace {

using A = VexaAction;
using automerge::ScalarValue;
using testing::scalar_at;

ScalarValue yes() { return ScalarValue::boolean(true); }
ScalarValue no() { return ScalarValue::boolean(false); }
ScalarValue text(std::string value) { return ScalarValue::str(std::move(value)); }

kaso::ErrorOr<void> dispatch(automerge::Document& document, VexaAction const& action)
{
    auto outcome = dispatch_vexa_action(document, action, dispatch_request(vexa_provenance_id, vexa_provenance_title, action));
    if (!outcome)
        return kaso::make_error(outcome.error().message);
    return {};
}

TEST(LibraryWriter, EveryAcceptedVariantWritesItsKey)
{
    struct Row {
        VexaAction action;
        std::vector<std::string_view> path;
        ScalarValue value;
    };
    auto const reply_to_key = comment_reply_id("v4#2", "nice");
    Row const rows[] = {
        { A::SetVideoLiked { "v1", true }, { "vexa", "likes", "v1" }, yes() },
        { A::SetVideoLiked { "v1", false }, { "vexa", "likes", "v1" }, no() },
        { A::AddToQueue { "v2" }, { "vexa", "queue", "v2" }, yes() },
        { A::SetQueueMembership { "v2", false }, { "vexa", "queue", "v2" }, no() },
        { A::SetSubscription { "UC1", true }, { "vexa", "subscriptions", "UC1" }, yes() },
        { A::SetSetting { SettingFlag::SponsorBlock, false }, { "vexa", "settings", "sponsorblock" }, no() },
        { A::SetSetting { SettingFlag::DeArrowTitles, true }, { "vexa", "settings", "dearrow_titles" }, yes() },
        { A::SetSetting { SettingFlag::ShowComments, false }, { "vexa", "settings", "show_comments" }, no() },
        { A::SetPreferredQuality { "auto" }, { "vexa", "settings", "preferred_quality" }, text("auto") },
        { A::SetSponsorCategory { SegmentCategory::MusicOfftopic, SegmentMode::Show }, { "vexa", "settings", "sponsor_categories", "music_offtopic" },
            text("show") },
        { A::SetSponsorCategory { SegmentCategory::Filler, SegmentMode::Disabled }, { "vexa", "settings", "sponsor_categories", "filler" },
            text("disabled") },
        { A::LikeComment { "v4", 3, "" }, { "vexa", "comment_likes", "v4#3" }, yes() },
        { A::LikeComment { "v4", 3, "c7" }, { "vexa", "comment_likes", "c7" }, yes() },
        { A::SetCommentLiked { "c7", false }, { "vexa", "comment_likes", "c7" }, no() },
        { A::ReplyToComment { "v4", 2, "", "nice" }, { "vexa", "comment_replies", "v4#2", reply_to_key }, text("nice") },
        { A::SetCommentReply { "c7", "reply-1", "hello", true }, { "vexa", "comment_replies", "c7", "reply-1", "text" }, text("hello") },
        { A::SetCommentReply { "c7", "reply-1", "hello", false }, { "vexa", "comment_replies", "c7", "reply-1", "active" }, no() },
    };
    for (auto const& row : rows) {
        SCOPED_TRACE(row.action.debug_text());
        automerge::Document document;
        ASSERT_TRUE(dispatch(document, row.action));
        auto path = row.path;
        automerge::ObjId object = automerge::ROOT;
        for (size_t i = 0; i + 1 < path.size(); ++i) {
            auto step = document.get(object, path[i]);
            ASSERT_TRUE(step && *step && (*step)->is_map()) << path[i];
            object = (*step)->object;
        }
        auto leaf = document.get(object, path.back());
        ASSERT_TRUE(leaf && *leaf && (*leaf)->is_scalar());
        EXPECT_EQ((*leaf)->scalar, row.value) << (*leaf)->scalar.debug_text();
        EXPECT_EQ(document.change_count(), 1u);
    }
}

TEST(LibraryWriter, RefusedActionsLeaveHeadsAndBytesUnchanged)
{
    struct Row {
        VexaAction action;
        std::string_view error;
    };
    Row const rows[] = {
        { A::LikeVideo { "v1" }, refused_by_document_message },
        { A::SetHistoryEntry { .owner_id = "o", .video_id = "v", .watched_at_ms = 1, .present = true, .mutation_id = "m" }, refused_by_document_message },
        { A::ClearHistory { "o", 1, "c" }, refused_by_document_message },
        { A::ToggleSubscription { "UC1" }, refused_by_document_message },
        { A::CyclePreferredQuality {}, refused_by_document_message },
        { A::SetPreferredQuality { "360p" }, "unsupported preferred quality: 360p" },
        { A::SetPreferredQuality { "AUTO" }, "unsupported preferred quality: AUTO" },
    };
    automerge::Document document;
    ASSERT_TRUE(dispatch(document, A::SetVideoLiked { "v0", true }));
    auto heads = document.heads();
    auto bytes = document.save();
    for (auto const& row : rows) {
        SCOPED_TRACE(row.action.debug_text());
        auto refused = dispatch(document, row.action);
        ASSERT_FALSE(refused);
        EXPECT_TRUE(refused.error().message.ends_with(row.error)) << refused.error().message;
        EXPECT_EQ(document.heads(), heads);
        EXPECT_EQ(document.save(), bytes);
        EXPECT_FALSE(document.in_transaction());
    }
}

TEST(LibraryWriter, ATextThatIsNotUtf8IsRefusedBeforeAnyWrite)
{
    automerge::Document document;
    LibraryDocumentAction action(A::SetSubscription { std::string("UC\xff", 3), true });
    auto encoded = kaso::actions::EncodedAction::from_text(std::string(vexa_action_kind), "{}");
    auto outcome = kaso::actions::executor::dispatch_by(document, action, encoded);
    ASSERT_FALSE(outcome);
    EXPECT_TRUE(outcome.error().message.ends_with("SetSubscription carries a text that is not valid UTF-8")) << outcome.error().message;
    EXPECT_TRUE(document.heads().empty());
    // The typed dispatch refuses it already while encoding.
    EXPECT_FALSE(dispatch_vexa_action(document, action.action(), {}));
    EXPECT_TRUE(document.heads().empty());
}

TEST(LibraryWriter, ReplacesContainersThatAreNotMaps)
{
    automerge::Document document;
    ASSERT_TRUE(document.put(automerge::ROOT, "vexa", text("not a map")));
    ASSERT_TRUE(dispatch(document, A::SetVideoLiked { "v1", true }));
    EXPECT_EQ(scalar_at(document, { "vexa", "likes", "v1" }), yes());

    auto vexa = testing::ensure_map(document, { "vexa" });
    ASSERT_TRUE(document.put(vexa, "settings", ScalarValue::integer(3)));
    ASSERT_TRUE(dispatch(document, A::SetSponsorCategory { SegmentCategory::Intro, SegmentMode::Show }));
    EXPECT_EQ(scalar_at(document, { "vexa", "settings", "sponsor_categories", "intro" }), text("show"));
    // The neighbour of a replaced container is kept.
    EXPECT_EQ(scalar_at(document, { "vexa", "likes", "v1" }), yes());
}

TEST(LibraryWriter, WritesIntoTheExistingMapsAndKeepsTheirOtherKeys)
{
    automerge::Document document;
    ASSERT_TRUE(dispatch(document, A::SetVideoLiked { "v1", true }));
    ASSERT_TRUE(dispatch(document, A::SetVideoLiked { "v2", true }));
    ASSERT_TRUE(dispatch(document, A::SetSetting { SettingFlag::Autoplay, false }));
    ASSERT_TRUE(dispatch(document, A::SetPreferredQuality { "480p" }));
    EXPECT_EQ(scalar_at(document, { "vexa", "likes", "v1" }), yes());
    EXPECT_EQ(scalar_at(document, { "vexa", "likes", "v2" }), yes());
    EXPECT_EQ(scalar_at(document, { "vexa", "settings", "autoplay" }), no());
    EXPECT_EQ(scalar_at(document, { "vexa", "settings", "preferred_quality" }), text("480p"));
    EXPECT_EQ(document.change_count(), 4u);
}

TEST(CommentKeys, IndexedKeyAndReplyIdAreStable)
{
    EXPECT_EQ(format_indexed_key("v4", 12), "v4#12");
    EXPECT_EQ(comment_key("", "v4", 0), "v4#0");
    EXPECT_EQ(comment_key("c1", "v4", 0), "c1");
    // FNV-1a 64 of the single byte 0xff (an empty id and text): the basis xor 0xff, times the prime.
    EXPECT_EQ(comment_reply_id("", ""), fmt::format("reply-{:016x}", (0xcbf29ce484222325ull ^ 0xffull) * 0x100000001b3ull));
    auto id = comment_reply_id("c1", "hello");
    EXPECT_EQ(id.size(), 22u);
    EXPECT_TRUE(id.starts_with("reply-"));
    EXPECT_NE(comment_reply_id("c1", "hello"), comment_reply_id("c1h", "ello"));
    EXPECT_EQ(comment_reply_id("c1", "hello"), id);
}

}
}
