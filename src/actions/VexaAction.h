#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "src/actions/JsonValue.h"
#include "src/actions/TaggedJson.h"
#include "src/model/Segment.h"
#include "src/model/Settings.h"

namespace vexa {

// A change of the shared library document: likes, the shared watch queue, subscriptions,
// settings, comment likes and replies. It crosses the runtime as JSON under the kind
// "vexa.action"; the library writer applies it to the document (and refuses the legacy toggle
// forms, which every replica would apply differently). The variants are in their fixed order.
struct VexaAction {
    template<size_t N>
    using Names = std::array<std::string_view, N>;

    struct LikeVideo {
        static constexpr std::string_view name = "LikeVideo";
        static constexpr Names<1> field_names { "video_id" };
        std::string video_id;
        VEXA_TAGGED_FIELDS(video_id)
        bool operator==(LikeVideo const&) const = default;
    };
    struct SetVideoLiked {
        static constexpr std::string_view name = "SetVideoLiked";
        static constexpr Names<2> field_names { "video_id", "liked" };
        std::string video_id;
        bool liked { false };
        VEXA_TAGGED_FIELDS(video_id, liked)
        bool operator==(SetVideoLiked const&) const = default;
    };
    struct AddToQueue {
        static constexpr std::string_view name = "AddToQueue";
        static constexpr Names<1> field_names { "video_id" };
        std::string video_id;
        VEXA_TAGGED_FIELDS(video_id)
        bool operator==(AddToQueue const&) const = default;
    };
    struct SetQueueMembership {
        static constexpr std::string_view name = "SetQueueMembership";
        static constexpr Names<2> field_names { "video_id", "queued" };
        std::string video_id;
        bool queued { false };
        VEXA_TAGGED_FIELDS(video_id, queued)
        bool operator==(SetQueueMembership const&) const = default;
    };
    struct SetHistoryEntry {
        static constexpr std::string_view name = "SetHistoryEntry";
        static constexpr Names<5> field_names { "owner_id", "video_id", "watched_at_ms", "present", "mutation_id" };
        std::string owner_id;
        std::string video_id;
        uint64_t watched_at_ms { 0 }; // epoch ms
        bool present { false };
        std::string mutation_id;
        VEXA_TAGGED_FIELDS(owner_id, video_id, watched_at_ms, present, mutation_id)
        bool operator==(SetHistoryEntry const&) const = default;
    };
    struct ClearHistory {
        static constexpr std::string_view name = "ClearHistory";
        static constexpr Names<3> field_names { "owner_id", "cleared_at_ms", "clear_id" };
        std::string owner_id;
        uint64_t cleared_at_ms { 0 }; // epoch ms
        std::string clear_id;
        VEXA_TAGGED_FIELDS(owner_id, cleared_at_ms, clear_id)
        bool operator==(ClearHistory const&) const = default;
    };
    struct ToggleSubscription {
        static constexpr std::string_view name = "ToggleSubscription";
        static constexpr Names<1> field_names { "channel_id" };
        std::string channel_id;
        VEXA_TAGGED_FIELDS(channel_id)
        bool operator==(ToggleSubscription const&) const = default;
    };
    struct SetSubscription {
        static constexpr std::string_view name = "SetSubscription";
        static constexpr Names<2> field_names { "channel_id", "subscribed" };
        std::string channel_id; // a channel id or a creator address
        bool subscribed { false };
        VEXA_TAGGED_FIELDS(channel_id, subscribed)
        bool operator==(SetSubscription const&) const = default;
    };
    struct SetSetting {
        static constexpr std::string_view name = "SetSetting";
        static constexpr Names<2> field_names { "setting", "enabled" };
        SettingFlag setting { SettingFlag::SponsorBlock };
        bool enabled { false };
        VEXA_TAGGED_FIELDS(setting, enabled)
        bool operator==(SetSetting const&) const = default;
    };
    struct CyclePreferredQuality {
        static constexpr std::string_view name = "CyclePreferredQuality";
        static constexpr Names<0> field_names {};
        auto fields() const { return std::tie(); }
        bool operator==(CyclePreferredQuality const&) const = default;
    };
    struct SetPreferredQuality {
        static constexpr std::string_view name = "SetPreferredQuality";
        static constexpr Names<1> field_names { "quality" };
        std::string quality;
        VEXA_TAGGED_FIELDS(quality)
        bool operator==(SetPreferredQuality const&) const = default;
    };
    struct SetSponsorCategory {
        static constexpr std::string_view name = "SetSponsorCategory";
        static constexpr Names<2> field_names { "category", "mode" };
        SegmentCategory category { SegmentCategory::Sponsor };
        SegmentMode mode { SegmentMode::Skip };
        VEXA_TAGGED_FIELDS(category, mode)
        bool operator==(SetSponsorCategory const&) const = default;
    };
    struct LikeComment {
        static constexpr std::string_view name = "LikeComment";
        static constexpr Names<3> field_names { "video_id", "index", "comment_id" };
        std::string video_id;
        uint64_t index { 0 }; // position in the video's comment list
        std::string comment_id;
        VEXA_TAGGED_FIELDS(video_id, index, comment_id)
        bool operator==(LikeComment const&) const = default;
    };
    struct SetCommentLiked {
        static constexpr std::string_view name = "SetCommentLiked";
        static constexpr Names<2> field_names { "comment_id", "liked" };
        std::string comment_id;
        bool liked { false };
        VEXA_TAGGED_FIELDS(comment_id, liked)
        bool operator==(SetCommentLiked const&) const = default;
    };
    struct ReplyToComment {
        static constexpr std::string_view name = "ReplyToComment";
        static constexpr Names<4> field_names { "video_id", "index", "comment_id", "text" };
        std::string video_id;
        uint64_t index { 0 };
        std::string comment_id;
        std::string text;
        VEXA_TAGGED_FIELDS(video_id, index, comment_id, text)
        bool operator==(ReplyToComment const&) const = default;
    };
    struct SetCommentReply {
        static constexpr std::string_view name = "SetCommentReply";
        static constexpr Names<4> field_names { "comment_id", "reply_id", "text", "active" };
        std::string comment_id;
        std::string reply_id;
        std::string text;
        bool active { false };
        VEXA_TAGGED_FIELDS(comment_id, reply_id, text, active)
        bool operator==(SetCommentReply const&) const = default;
    };

    using Variant = std::variant<LikeVideo, SetVideoLiked, AddToQueue, SetQueueMembership, SetHistoryEntry, ClearHistory,
        ToggleSubscription, SetSubscription, SetSetting, CyclePreferredQuality, SetPreferredQuality, SetSponsorCategory,
        LikeComment, SetCommentLiked, ReplyToComment, SetCommentReply>;

    static constexpr std::string_view enum_name = "VexaAction";

    Variant value;

    template<typename T>
        requires std::is_constructible_v<Variant, T&&>
    VexaAction(T&& alternative)
        : value(std::forward<T>(alternative))
    {
    }

    // The variant names in variant order.
    static std::span<std::string_view const> variant_names();
    std::string_view variant_name() const;

    template<typename T>
    T const* get_if() const { return std::get_if<T>(&value); }

    // The compact JSON form: "CyclePreferredQuality", or {"SetVideoLiked":{"video_id":"x","liked":true}}.
    JsonValue to_json_value() const;
    std::vector<uint8_t> to_json_bytes() const;
    std::string to_json_text() const;
    // Reads any accepted JSON form; the error is the reader's message and never quotes the input.
    static kaso::ErrorOr<VexaAction> deserialize(std::string_view json);
    static kaso::ErrorOr<VexaAction> from_json_value(JsonValue const& json);

    // `SetVideoLiked { video_id: "x", liked: true }`.
    std::string debug_text() const;
    // True for the variants that touch the shared watch queue or comment replies.
    bool predicate() const;
    // Whether every text the action carries is valid UTF-8 (the document stores only such texts).
    bool texts_are_utf8() const;

    bool operator==(VexaAction const&) const = default;
};

}
