#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "src/actions/JsonValue.h"
#include "src/actions/TaggedJson.h"
#include "src/model/Route.h"

namespace vexa {

// A local operation of the application (play or pause, navigate, open, share, devices, the
// owner-local history). It crosses the runtime as JSON under the kind "vexa.operation" and never
// enters the shared document. The variants are in their fixed order.
struct VexaOperation {
    template<size_t N>
    using Names = std::array<std::string_view, N>;

    // What an operation does, as the runtime is told: 2 only changes what is shown or played,
    // 1 copies, stores, downloads, contacts devices or changes history.
    enum class Type : uint8_t {
        Effect = 1,
        View = 2,
    };

    struct TogglePlayback {
        static constexpr std::string_view name = "TogglePlayback";
        static constexpr Names<0> field_names {};
        static constexpr Type type = Type::View;
        auto fields() const { return std::tie(); }
        bool operator==(TogglePlayback const&) const = default;
    };
    struct ToggleSidebar {
        static constexpr std::string_view name = "ToggleSidebar";
        static constexpr Names<0> field_names {};
        static constexpr Type type = Type::View;
        auto fields() const { return std::tie(); }
        bool operator==(ToggleSidebar const&) const = default;
    };
    struct Share {
        static constexpr std::string_view name = "Share";
        static constexpr Names<1> field_names { "video_id" };
        static constexpr Type type = Type::Effect;
        std::string video_id;
        VEXA_TAGGED_FIELDS(video_id)
        bool operator==(Share const&) const = default;
    };
    struct Navigate {
        static constexpr std::string_view name = "Navigate";
        static constexpr Names<1> field_names { "route" };
        static constexpr Type type = Type::View;
        Route route;
        VEXA_TAGGED_FIELDS(route)
        bool operator==(Navigate const&) const = default;
    };
    struct OpenVideo {
        static constexpr std::string_view name = "OpenVideo";
        static constexpr Names<1> field_names { "video_id" };
        static constexpr Type type = Type::View;
        std::string video_id;
        VEXA_TAGGED_FIELDS(video_id)
        bool operator==(OpenVideo const&) const = default;
    };
    struct OpenChannel {
        static constexpr std::string_view name = "OpenChannel";
        static constexpr Names<1> field_names { "channel_id" };
        static constexpr Type type = Type::View;
        std::string channel_id;
        VEXA_TAGGED_FIELDS(channel_id)
        bool operator==(OpenChannel const&) const = default;
    };
    struct OpenPlaylist {
        static constexpr std::string_view name = "OpenPlaylist";
        static constexpr Names<1> field_names { "playlist_id" };
        static constexpr Type type = Type::View;
        std::string playlist_id;
        VEXA_TAGGED_FIELDS(playlist_id)
        bool operator==(OpenPlaylist const&) const = default;
    };
    struct Download {
        static constexpr std::string_view name = "Download";
        static constexpr Names<1> field_names { "video_id" };
        static constexpr Type type = Type::Effect;
        std::string video_id;
        VEXA_TAGGED_FIELDS(video_id)
        bool operator==(Download const&) const = default;
    };
    struct PairDevice {
        static constexpr std::string_view name = "PairDevice";
        static constexpr Names<1> field_names { "invite" };
        static constexpr Type type = Type::Effect;
        std::string invite; // a pairing invite: secret, never logged
        VEXA_TAGGED_FIELDS(invite)
        bool operator==(PairDevice const&) const = default;
    };
    struct SyncDevices {
        static constexpr std::string_view name = "SyncDevices";
        static constexpr Names<0> field_names {};
        static constexpr Type type = Type::Effect;
        auto fields() const { return std::tie(); }
        bool operator==(SyncDevices const&) const = default;
    };
    struct ApproveDevice {
        static constexpr std::string_view name = "ApproveDevice";
        static constexpr Names<1> field_names { "peer_id" };
        static constexpr Type type = Type::Effect;
        std::string peer_id;
        VEXA_TAGGED_FIELDS(peer_id)
        bool operator==(ApproveDevice const&) const = default;
    };
    struct RevokeDevice {
        static constexpr std::string_view name = "RevokeDevice";
        static constexpr Names<1> field_names { "peer_id" };
        static constexpr Type type = Type::Effect;
        std::string peer_id;
        VEXA_TAGGED_FIELDS(peer_id)
        bool operator==(RevokeDevice const&) const = default;
    };
    struct RecordHistory {
        static constexpr std::string_view name = "RecordHistory";
        static constexpr Names<1> field_names { "video_id" };
        static constexpr Type type = Type::Effect;
        std::string video_id;
        VEXA_TAGGED_FIELDS(video_id)
        bool operator==(RecordHistory const&) const = default;
    };
    struct RemoveHistory {
        static constexpr std::string_view name = "RemoveHistory";
        static constexpr Names<1> field_names { "video_id" };
        static constexpr Type type = Type::Effect;
        std::string video_id;
        VEXA_TAGGED_FIELDS(video_id)
        bool operator==(RemoveHistory const&) const = default;
    };
    struct ClearHistory {
        static constexpr std::string_view name = "ClearHistory";
        static constexpr Names<0> field_names {};
        static constexpr Type type = Type::Effect;
        auto fields() const { return std::tie(); }
        bool operator==(ClearHistory const&) const = default;
    };

    using Variant = std::variant<TogglePlayback, ToggleSidebar, Share, Navigate, OpenVideo, OpenChannel, OpenPlaylist, Download,
        PairDevice, SyncDevices, ApproveDevice, RevokeDevice, RecordHistory, RemoveHistory, ClearHistory>;

    static constexpr std::string_view enum_name = "VexaOperation";

    Variant value;

    template<typename T>
        requires std::is_constructible_v<Variant, T&&>
    VexaOperation(T&& alternative)
        : value(std::forward<T>(alternative))
    {
    }

    static std::span<std::string_view const> variant_names();
    std::string_view variant_name() const;

    template<typename T>
    T const* get_if() const { return std::get_if<T>(&value); }

    // The type the runtime is told for this operation; a fixed function of the variant.
    Type operation_type() const;
    uint8_t operation_type_number() const { return static_cast<uint8_t>(operation_type()); }

    JsonValue to_json_value() const;
    std::vector<uint8_t> to_json_bytes() const;
    std::string to_json_text() const;
    static kaso::ErrorOr<VexaOperation> deserialize(std::string_view json);

    // Like VexaAction's debug text, except that a pairing invite is shown as <redacted>.
    std::string debug_text() const;

    bool operator==(VexaOperation const&) const = default;
};

}
