#include "src/actions/UiAction.h"

#include <utility>

namespace vexa {

namespace {

UiAction bare(UiActionKind kind)
{
    UiAction action;
    action.kind = kind;
    return action;
}

UiAction with_text(UiActionKind kind, std::string text)
{
    auto action = bare(kind);
    action.text = std::move(text);
    return action;
}

UiAction with_index(UiActionKind kind, uint8_t index)
{
    auto action = bare(kind);
    action.index = index;
    return action;
}

UiAction with_value(UiActionKind kind, double value)
{
    auto action = bare(kind);
    action.value = value;
    return action;
}

std::string_view navigate_title(RouteKind route)
{
    switch (route) {
    case RouteKind::Home:
        return "Open Home";
    case RouteKind::Trending:
        return "Open Trending";
    case RouteKind::Subscriptions:
        return "Open subscriptions";
    case RouteKind::History:
        return "Open watch history";
    case RouteKind::Settings:
        return "Open settings";
    case RouteKind::Queue:
    case RouteKind::Watch:
    case RouteKind::Channel:
    case RouteKind::Playlist:
    case RouteKind::Search:
        return "Open view";
    }
    return "Open view";
}

}

UiAction UiAction::navigate(Route route)
{
    auto action = bare(UiActionKind::Navigate);
    action.route = std::move(route);
    return action;
}

UiAction UiAction::open_video(std::string video_id) { return with_text(UiActionKind::OpenVideo, std::move(video_id)); }
UiAction UiAction::clear_history() { return bare(UiActionKind::ClearHistory); }
UiAction UiAction::open_channel(std::string channel_id) { return with_text(UiActionKind::OpenChannel, std::move(channel_id)); }
UiAction UiAction::open_playlist(std::string playlist_id) { return with_text(UiActionKind::OpenPlaylist, std::move(playlist_id)); }
UiAction UiAction::toggle_result_type(uint8_t result_type) { return with_index(UiActionKind::ToggleResultType, result_type); }
UiAction UiAction::go_back() { return bare(UiActionKind::GoBack); }
UiAction UiAction::toggle_subscription(std::string channel_id) { return with_text(UiActionKind::ToggleSubscription, std::move(channel_id)); }
UiAction UiAction::seek(double fraction) { return with_value(UiActionKind::Seek, fraction); }
UiAction UiAction::toggle_playback() { return bare(UiActionKind::TogglePlayback); }
UiAction UiAction::cycle_segment_mode(uint8_t category_index) { return with_index(UiActionKind::CycleSegmentMode, category_index); }
UiAction UiAction::skip_segment(double seconds) { return with_value(UiActionKind::SkipSegment, seconds); }
UiAction UiAction::toggle_setting(uint8_t flag_index) { return with_index(UiActionKind::ToggleSetting, flag_index); }
UiAction UiAction::search() { return bare(UiActionKind::Search); }
UiAction UiAction::set_quality(std::string label) { return with_text(UiActionKind::SetQuality, std::move(label)); }
UiAction UiAction::toggle_like(std::string video_id) { return with_text(UiActionKind::ToggleLike, std::move(video_id)); }
UiAction UiAction::share(std::string video_id) { return with_text(UiActionKind::Share, std::move(video_id)); }
UiAction UiAction::toggle_sidebar() { return bare(UiActionKind::ToggleSidebar); }
UiAction UiAction::open_palette() { return bare(UiActionKind::OpenPalette); }
UiAction UiAction::close_palette() { return bare(UiActionKind::ClosePalette); }
UiAction UiAction::open_search_result(std::string link) { return with_text(UiActionKind::OpenSearchResult, std::move(link)); }
UiAction UiAction::pair_device() { return bare(UiActionKind::PairDevice); }
UiAction UiAction::sync_devices() { return bare(UiActionKind::SyncDevices); }
UiAction UiAction::approve_device(std::string peer_id) { return with_text(UiActionKind::ApproveDevice, std::move(peer_id)); }
UiAction UiAction::revoke_device(std::string peer_id) { return with_text(UiActionKind::RevokeDevice, std::move(peer_id)); }

std::string_view UiAction::title() const
{
    switch (kind) {
    case UiActionKind::Navigate:
        return navigate_title(route.kind);
    case UiActionKind::OpenVideo:
        return "Open video";
    case UiActionKind::ClearHistory:
        return "Clear watch history";
    case UiActionKind::OpenChannel:
        return "Open creator";
    case UiActionKind::OpenPlaylist:
        return "Open playlist";
    case UiActionKind::ToggleResultType:
        return "Toggle result type";
    case UiActionKind::GoBack:
        return "Go back";
    case UiActionKind::ToggleSubscription:
        return "Subscribe or unsubscribe";
    case UiActionKind::Seek:
        return "Seek video";
    case UiActionKind::TogglePlayback:
        return "Play or pause";
    case UiActionKind::CycleSegmentMode:
        return "Change segment handling";
    case UiActionKind::SkipSegment:
        return "Skip segment";
    case UiActionKind::ToggleSetting:
        return "Change setting";
    case UiActionKind::Search:
        return "Search";
    case UiActionKind::SetQuality:
        return "Change playback quality";
    case UiActionKind::ToggleLike:
        return "Like or unlike video";
    case UiActionKind::Share:
        return "Copy share link";
    case UiActionKind::ToggleSidebar:
        return "Show or hide navigation";
    case UiActionKind::OpenPalette:
        return "Search Vexa actions";
    case UiActionKind::ClosePalette:
        return "Close action search";
    case UiActionKind::OpenSearchResult:
        return "Open search result";
    case UiActionKind::PairDevice:
        return "Pair Grayjay device";
    case UiActionKind::SyncDevices:
        return "Sync approved devices now";
    case UiActionKind::ApproveDevice:
        return "Approve device access";
    case UiActionKind::RevokeDevice:
        return "Revoke device access";
    }
    return "Open view";
}

}
