#include <gtest/gtest.h>

#include "src/actions/VexaAction.h"

namespace vexa {
namespace {

using A = VexaAction;

struct Written {
    VexaAction action;
    std::string json;
    std::string debug;
};

// Every variant in order, with its exact compact JSON and debug text.
std::vector<Written> const& every_variant()
{
    static std::vector<Written> const rows {
        { A::LikeVideo { "v1" }, R"({"LikeVideo":{"video_id":"v1"}})", R"(LikeVideo { video_id: "v1" })" },
        { A::SetVideoLiked { "v1", true }, R"({"SetVideoLiked":{"video_id":"v1","liked":true}})", R"(SetVideoLiked { video_id: "v1", liked: true })" },
        { A::AddToQueue { "v2" }, R"({"AddToQueue":{"video_id":"v2"}})", R"(AddToQueue { video_id: "v2" })" },
        { A::SetQueueMembership { "v2", false }, R"({"SetQueueMembership":{"video_id":"v2","queued":false}})",
            R"(SetQueueMembership { video_id: "v2", queued: false })" },
        { A::SetHistoryEntry { .owner_id = "profile:local", .video_id = "v3", .watched_at_ms = 18446744073709551615ull, .present = true, .mutation_id = "m-1" },
            R"({"SetHistoryEntry":{"owner_id":"profile:local","video_id":"v3","watched_at_ms":18446744073709551615,"present":true,"mutation_id":"m-1"}})",
            R"(SetHistoryEntry { owner_id: "profile:local", video_id: "v3", watched_at_ms: 18446744073709551615, present: true, mutation_id: "m-1" })" },
        { A::ClearHistory { "o", 0, "c" }, R"({"ClearHistory":{"owner_id":"o","cleared_at_ms":0,"clear_id":"c"}})",
            R"(ClearHistory { owner_id: "o", cleared_at_ms: 0, clear_id: "c" })" },
        { A::ToggleSubscription { "UC1" }, R"({"ToggleSubscription":{"channel_id":"UC1"}})", R"(ToggleSubscription { channel_id: "UC1" })" },
        { A::SetSubscription { "UC1", true }, R"({"SetSubscription":{"channel_id":"UC1","subscribed":true}})",
            R"(SetSubscription { channel_id: "UC1", subscribed: true })" },
        { A::SetSetting { SettingFlag::DeArrowThumbnails, false }, R"({"SetSetting":{"setting":"DeArrowThumbnails","enabled":false}})",
            R"(SetSetting { setting: DeArrowThumbnails, enabled: false })" },
        { A::CyclePreferredQuality {}, R"("CyclePreferredQuality")", "CyclePreferredQuality" },
        { A::SetPreferredQuality { "720p" }, R"({"SetPreferredQuality":{"quality":"720p"}})", R"(SetPreferredQuality { quality: "720p" })" },
        { A::SetSponsorCategory { SegmentCategory::MusicOfftopic, SegmentMode::Disabled },
            R"({"SetSponsorCategory":{"category":"MusicOfftopic","mode":"Disabled"}})",
            "SetSponsorCategory { category: MusicOfftopic, mode: Disabled }" },
        { A::LikeComment { "v4", 7, "" }, R"({"LikeComment":{"video_id":"v4","index":7,"comment_id":""}})",
            R"(LikeComment { video_id: "v4", index: 7, comment_id: "" })" },
        { A::SetCommentLiked { "v4#00ff", true }, R"({"SetCommentLiked":{"comment_id":"v4#00ff","liked":true}})",
            R"(SetCommentLiked { comment_id: "v4#00ff", liked: true })" },
        { A::ReplyToComment { "v4", 2, "c9", "nice" }, R"({"ReplyToComment":{"video_id":"v4","index":2,"comment_id":"c9","text":"nice"}})",
            R"(ReplyToComment { video_id: "v4", index: 2, comment_id: "c9", text: "nice" })" },
        { A::SetCommentReply { "c9", "reply-0123456789abcdef", "say \"hi\"\n\\ é", true },
            R"({"SetCommentReply":{"comment_id":"c9","reply_id":"reply-0123456789abcdef","text":"say \"hi\"\n\\ é","active":true}})",
            R"(SetCommentReply { comment_id: "c9", reply_id: "reply-0123456789abcdef", text: "say \"hi\"\n\\ é", active: true })" },
    };
    return rows;
}

TEST(VexaActionJson, EveryVariantWritesItsExactFormAndReadsBack)
{
    ASSERT_EQ(every_variant().size(), VexaAction::variant_names().size());
    for (size_t index = 0; index < every_variant().size(); ++index) {
        auto const& row = every_variant()[index];
        SCOPED_TRACE(row.json);
        EXPECT_EQ(row.action.value.index(), index) << "the table follows the variant order";
        EXPECT_EQ(row.action.to_json_text(), row.json);
        auto bytes = row.action.to_json_bytes();
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), row.json);
        EXPECT_EQ(row.action.debug_text(), row.debug);
        auto read = VexaAction::deserialize(row.json);
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(*read, row.action);
    }
}

TEST(VexaActionJson, EveryEnumerationValueRoundTrips)
{
    for (auto flag : all_setting_flags) {
        VexaAction action = A::SetSetting { flag, true };
        EXPECT_EQ(VexaAction::deserialize(action.to_json_text()), action);
    }
    for (auto category : all_segment_categories) {
        for (auto mode : { SegmentMode::Skip, SegmentMode::Show, SegmentMode::Disabled }) {
            VexaAction action = A::SetSponsorCategory { category, mode };
            EXPECT_EQ(VexaAction::deserialize(action.to_json_text()), action);
        }
    }
}

TEST(VexaActionJson, PredicateMarksQueueAndReplyVariants)
{
    std::vector<std::string_view> flagged;
    for (auto const& row : every_variant()) {
        if (row.action.predicate())
            flagged.push_back(row.action.variant_name());
    }
    EXPECT_EQ(flagged, (std::vector<std::string_view> { "AddToQueue", "SetQueueMembership", "ReplyToComment", "SetCommentReply" }));
}

// Forms the reader accepts beyond what the writer produces.
TEST(VexaActionJson, ReadsEveryAcceptedForm)
{
    struct Row {
        std::string_view json;
        VexaAction expected;
    };
    Row const rows[] = {
        { R"({"SetSubscription":{"subscribed":true,"extra":{"deep":[1,2,{"x":null}]},"channel_id":"UC1"}})", A::SetSubscription { "UC1", true } },
        { R"({"SetSubscription":["UC1",true]})", A::SetSubscription { "UC1", true } },
        { " \n{ \"SetVideoLiked\" :\t{ \"liked\" : false , \"video_id\" : \"v\" } }\r\n", A::SetVideoLiked { "v", false } },
        { R"({"CyclePreferredQuality":null})", A::CyclePreferredQuality {} },
        { R"({"SetSetting":{"setting":{"Autoplay":null},"enabled":true}})", A::SetSetting { SettingFlag::Autoplay, true } },
        { R"({"SetSponsorCategory":{"category":"SelfPromo","mode":{"Show":null}}})", A::SetSponsorCategory { SegmentCategory::SelfPromo, SegmentMode::Show } },
        { R"({"SetSponsorCategory":["Filler","Skip"]})", A::SetSponsorCategory { SegmentCategory::Filler, SegmentMode::Skip } },
        { R"({"LikeComment":{"index":0,"comment_id":"c","video_id":"v"}})", A::LikeComment { "v", 0, "c" } },
        { R"({"SetPreferredQuality":{"quality":"\u0037\u00e9\ud83d\ude00"}})", A::SetPreferredQuality { "7\xc3\xa9\xf0\x9f\x98\x80" } },
        // An unknown member is skipped even when it repeats or holds a field's name in a nested object.
        { R"({"SetQueueMembership":{"x":1,"x":2,"video_id":"v","y":{"queued":"no"},"queued":true}})", A::SetQueueMembership { "v", true } },
    };
    for (auto const& row : rows) {
        SCOPED_TRACE(row.json);
        auto read = VexaAction::deserialize(row.json);
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(*read, row.expected);
    }
}

constexpr std::string_view expected_variants = "unknown variant, expected one of `LikeVideo`, `SetVideoLiked`, `AddToQueue`, "
                                               "`SetQueueMembership`, `SetHistoryEntry`, `ClearHistory`, `ToggleSubscription`, "
                                               "`SetSubscription`, `SetSetting`, `CyclePreferredQuality`, `SetPreferredQuality`, "
                                               "`SetSponsorCategory`, `LikeComment`, `SetCommentLiked`, `ReplyToComment`, `SetCommentReply`";

TEST(VexaActionJson, RefusesWithExactErrors)
{
    struct Row {
        std::string_view json;
        std::string_view error;
    };
    std::string const unknown(expected_variants);
    Row const rows[] = {
        { R"({"SetVideoLiked":{"video_id":"v"}})", "missing field `liked`" },
        { R"({"SetVideoLiked":{}})", "missing field `video_id`" },
        { R"({"SetVideoLiked":{"liked":true,"video_id":"a","liked":false}})", "duplicate field `liked`" },
        { R"({"SetSubscription":["UC1"]})", "invalid length 1, expected struct variant VexaAction::SetSubscription with 2 elements" },
        { R"({"SetSubscription":["UC1",true,true]})", "invalid length 3, expected struct variant VexaAction::SetSubscription with 2 elements" },
        { R"({"SetSubscription":[]})", "invalid length 0, expected struct variant VexaAction::SetSubscription with 2 elements" },
        { R"("SetVideoLiked")", "invalid type: unit variant, expected struct variant VexaAction::SetVideoLiked" },
        { R"({"SetVideoLiked":null})", "invalid type: null, expected struct variant VexaAction::SetVideoLiked" },
        { R"({"SetVideoLiked":"v"})", "invalid type: string, expected struct variant VexaAction::SetVideoLiked" },
        { R"({"SetVideoLiked":7})", "invalid type: integer, expected struct variant VexaAction::SetVideoLiked" },
        { R"({"CyclePreferredQuality":{}})", "invalid type: map, expected unit variant VexaAction::CyclePreferredQuality" },
        { R"({"CyclePreferredQuality":[]})", "invalid type: sequence, expected unit variant VexaAction::CyclePreferredQuality" },
        { R"("cyclePreferredQuality")", unknown },
        { R"({"SetVideoLikedX":{"video_id":"v","liked":true}})", unknown },
        { R"({})", "invalid length 0, expected map with a single key naming a variant of VexaAction" },
        { R"({"SetVideoLiked":{"video_id":"v","liked":true},"AddToQueue":{"video_id":"v"}})",
            "invalid length 2, expected map with a single key naming a variant of VexaAction" },
        { "[]", "invalid type: sequence, expected enum VexaAction" },
        { "true", "invalid type: boolean, expected enum VexaAction" },
        { R"({"SetVideoLiked":{"video_id":"v","liked":"true"}})", "invalid type: string, expected a boolean" },
        { R"({"SetVideoLiked":{"video_id":5,"liked":true}})", "invalid type: integer, expected a string" },
        { R"({"LikeComment":{"video_id":"v","index":-1,"comment_id":""}})", "invalid value: negative integer, expected u64" },
        { R"({"LikeComment":{"video_id":"v","index":1.5,"comment_id":""}})", "invalid type: floating point, expected u64" },
        { R"({"LikeComment":{"video_id":"v","index":18446744073709551616,"comment_id":""}})", "invalid type: floating point, expected u64" },
        { R"({"SetSetting":{"setting":"autoplay","enabled":true}})",
            "unknown variant, expected one of `SponsorBlock`, `DeArrow`, `DeArrowTitles`, `DeArrowThumbnails`, `ReturnDislike`, `Autoplay`, `ShowComments`" },
        { R"({"SetSponsorCategory":{"category":"selfpromo","mode":"Skip"}})",
            "unknown variant, expected one of `Sponsor`, `SelfPromo`, `Interaction`, `Intro`, `Outro`, `Preview`, `MusicOfftopic`, `Filler`" },
        { R"({"SetSponsorCategory":{"category":"Filler","mode":"skip"}})", "unknown variant, expected one of `Skip`, `Show`, `Disabled`" },
        { R"({"SetSponsorCategory":{"category":"Filler","mode":{"Skip":true}}})", "invalid type: boolean, expected unit variant SegmentMode::Skip" },
        { R"({"SetSetting":{"setting":0,"enabled":true}})", "invalid type: integer, expected enum SettingFlag" },
        // The first error in reading order wins, even with a later one present.
        { R"({"SetVideoLiked":{"liked":1,"liked":true}})", "invalid type: integer, expected a boolean" },
        // Syntax is checked for the whole text before any variant is read.
        { R"({"SetVideoLiked":{"video_id":"v","liked":true}} x)", "trailing characters at byte 48" },
        { R"({"SetVideoLiked":{"video_id":"v","liked":tru}})", "expected value at byte 41" },
        { "", "EOF while parsing a value at byte 0" },
    };
    for (auto const& row : rows) {
        SCOPED_TRACE(row.json);
        auto read = VexaAction::deserialize(row.json);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().message, row.error);
    }
}

TEST(VexaActionJson, ErrorsNeverQuoteTheInput)
{
    constexpr std::string_view secret = "grayjay-secret-9f8e7d";
    std::string const payloads[] = {
        fmt::format(R"({{"{}":{{}}}})", secret),
        fmt::format(R"("{}")", secret),
        fmt::format(R"({{"SetSetting":{{"setting":"{}","enabled":true}}}})", secret),
        fmt::format(R"({{"SetVideoLiked":{{"video_id":"v","liked":"{}"}}}})", secret),
        fmt::format(R"({{"SetVideoLiked":{{"video_id":"v","{}":1}}}})", secret),
        fmt::format(R"({{"SetVideoLiked":{{"video_id":"{}","liked":true}}}}{})", secret, secret),
        fmt::format(R"({{"SetVideoLiked":{{"video_id":"{}\x01"}}}})", secret),
    };
    for (auto const& payload : payloads) {
        auto read = VexaAction::deserialize(payload);
        ASSERT_FALSE(read) << payload;
        EXPECT_EQ(read.error().message.find("grayjay"), std::string::npos) << read.error().message;
    }
}

}
}
