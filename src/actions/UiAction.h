#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "src/model/Route.h"

namespace vexa {

// What a widget asks of the application when the user activates it. The order is fixed.
enum class UiActionKind : uint8_t {
    Navigate,           // route
    OpenVideo,          // text: video id
    ClearHistory,
    OpenChannel,        // text: channel id
    OpenPlaylist,       // text: playlist id
    ToggleResultType,   // index: 0 videos, 1 playlists, 2 creators
    GoBack,
    ToggleSubscription, // text: channel id
    Seek,               // value: fraction of the current video's duration
    TogglePlayback,
    CycleSegmentMode,   // index: SegmentCategory
    SkipSegment,        // value: position to seek to, in seconds
    ToggleSetting,      // index: SettingFlag
    Search,             // the query is the search box's text
    SetQuality,         // text: quality label
    ToggleLike,         // text: video id
    Share,              // text: video id
    ToggleSidebar,
    OpenPalette,
    ClosePalette,
    OpenSearchResult,   // text: the link of a palette search result
    PairDevice,         // the invite is the pairing field's text
    SyncDevices,
    ApproveDevice,      // text: peer id
    RevokeDevice,       // text: peer id
};

// A request from a widget, with at most one payload; the factories set the payload that each
// kind carries and leave the others at their defaults. Plain data: copying it copies everything.
struct UiAction {
    UiActionKind kind { UiActionKind::GoBack };
    Route route;             // Navigate
    std::string text;        // the id, quality label or link of the kinds that carry one
    uint8_t index { 0 };     // ToggleResultType, CycleSegmentMode, ToggleSetting
    double value { 0.0 };    // Seek (fraction), SkipSegment (seconds)

    static UiAction navigate(Route route);
    static UiAction open_video(std::string video_id);
    static UiAction clear_history();
    static UiAction open_channel(std::string channel_id);
    static UiAction open_playlist(std::string playlist_id);
    static UiAction toggle_result_type(uint8_t result_type);
    static UiAction go_back();
    static UiAction toggle_subscription(std::string channel_id);
    static UiAction seek(double fraction);
    static UiAction toggle_playback();
    static UiAction cycle_segment_mode(uint8_t category_index);
    static UiAction skip_segment(double seconds);
    static UiAction toggle_setting(uint8_t flag_index);
    static UiAction search();
    static UiAction set_quality(std::string label);
    static UiAction toggle_like(std::string video_id);
    static UiAction share(std::string video_id);
    static UiAction toggle_sidebar();
    static UiAction open_palette();
    static UiAction close_palette();
    static UiAction open_search_result(std::string link);
    static UiAction pair_device();
    static UiAction sync_devices();
    static UiAction approve_device(std::string peer_id);
    static UiAction revoke_device(std::string peer_id);

    // The fixed title of the action, its accessible label: "Open video", "Go back", ...
    std::string_view title() const;

    bool operator==(UiAction const&) const = default;
};

}
