#include "src/screens/RouteTable.h"

#include <fmt/format.h>

#include "src/screens/FeedPages.h"
#include "src/screens/HistoryPage.h"
#include "src/screens/ListPages.h"
#include "src/screens/SearchPage.h"
#include "src/screens/SettingsPage.h"

namespace vexa {

namespace {

std::optional<std::string> video_title(VexaModel const& model, std::string const& id)
{
    if (auto const* video = model.video(id))
        return video->title;
    return std::nullopt;
}

std::optional<std::string> channel_name(VexaModel const& model, std::string const& id)
{
    if (auto const* channel = model.channel(id))
        return channel->name;
    return std::nullopt;
}

std::optional<std::string> playlist_title(VexaModel const& model, std::string const& id)
{
    if (auto const* playlist = model.playlist(id))
        return playlist->title;
    return std::nullopt;
}

kaso::ui::Scrollable home_page(PageInputs const& in) { return home_screen(in.model, in.theme, in.scale, in.queue, in.images); }
kaso::ui::Scrollable trending_page(PageInputs const& in) { return trending_screen(in.model, in.theme, in.scale, in.queue, in.images); }
kaso::ui::Scrollable subscriptions_page(PageInputs const& in) { return subscriptions_screen(in.model, in.theme, in.scale, in.queue, in.images); }
kaso::ui::Scrollable watch_page(PageInputs const& in) { return watch_screen(in.model, in.theme, in.queue, in.images, in.route.text, in.watch); }
kaso::ui::Scrollable search_page(PageInputs const& in) { return search_screen(in.model, in.theme, in.scale, in.queue, in.images, in.route.text); }
kaso::ui::Scrollable queue_page(PageInputs const& in) { return queue_screen(in.model, in.theme, in.scale, in.queue, in.images, in.watch.content_width, in.watch.bindings); }
kaso::ui::Scrollable channel_page(PageInputs const& in) { return channel_screen(in.model, in.theme, in.scale, in.queue, in.images, in.route.text); }
kaso::ui::Scrollable playlist_page(PageInputs const& in) { return playlist_screen(in.model, in.theme, in.queue, in.images, in.route.text); }
kaso::ui::Scrollable history_page(PageInputs const& in) { return history_screen(in.model, in.theme, in.scale, in.queue, in.images); }
kaso::ui::Scrollable settings_page(PageInputs const& in) { return settings_screen(in.model, in.theme, in.scale, in.queue, in.devices); }

// In the order of RouteKind, which route_kind_info relies on.
constexpr RouteKindInfo route_kinds[] = {
    { RouteKind::Home, "home", "Home", "Home", kaso::ui::Icon::Home, nullptr, LaunchPrefix::No, nullptr, home_page },
    { RouteKind::Trending, "trending", "Trending", "Trending", kaso::ui::Icon::Trending, nullptr, LaunchPrefix::No, nullptr, trending_page },
    { RouteKind::Subscriptions, "subs", "Subscriptions", "Subs", kaso::ui::Icon::Person, "subscriptions", LaunchPrefix::No, nullptr, subscriptions_page },
    { RouteKind::Queue, "queue", "Shared watch queue", "Queue", kaso::ui::Icon::List, nullptr, LaunchPrefix::No, nullptr, queue_page },
    { RouteKind::Watch, "watch", "Video", nullptr, kaso::ui::Icon::Home, nullptr, LaunchPrefix::Yes, video_title, watch_page },
    { RouteKind::Channel, "channel", "Creator", nullptr, kaso::ui::Icon::Person, nullptr, LaunchPrefix::No, channel_name, channel_page },
    { RouteKind::Playlist, "playlist", "Playlist", nullptr, kaso::ui::Icon::List, nullptr, LaunchPrefix::No, playlist_title, playlist_page },
    { RouteKind::Search, "search", "Search results for {}", nullptr, kaso::ui::Icon::Search, nullptr, LaunchPrefix::Yes, nullptr, search_page },
    { RouteKind::History, "history", "Watch history", "History", kaso::ui::Icon::History, nullptr, LaunchPrefix::No, nullptr, history_page },
    { RouteKind::Settings, "settings", "Settings", "Settings", kaso::ui::Icon::Settings, nullptr, LaunchPrefix::No, nullptr, settings_page },
};

constexpr bool table_follows_kinds()
{
    for (size_t index = 0; index < std::size(route_kinds); ++index)
        if (size_t(route_kinds[index].kind) != index)
            return false;
    return std::size(route_kinds) == size_t(RouteKind::Settings) + 1;
}
static_assert(table_follows_kinds(), "route_kinds must list every RouteKind in declaration order");

}

RouteKindInfo const& route_kind_info(RouteKind kind)
{
    auto index = size_t(kind);
    return index < std::size(route_kinds) ? route_kinds[index] : route_kinds[0];
}

std::string route_scroll_key(Route const& route)
{
    auto const& info = route_kind_info(route.kind);
    if (route.has_text())
        return fmt::format("{}:{}", info.key, route.text);
    return info.key;
}

std::string route_title(VexaModel const& model, Route const& route)
{
    auto const& info = route_kind_info(route.kind);
    if (info.item_title) {
        if (auto name = info.item_title(model, route.text))
            return *name;
    }
    if (route.is(RouteKind::Search))
        return fmt::format(fmt::runtime(info.title), route.text);
    return info.title;
}

std::string route_accessible_name(VexaModel const& model, Route const& route) { return fmt::format("Vexa — {}", route_title(model, route)); }

std::optional<Route> route_from_launch_text(std::string_view text, std::string_view lowercase_text)
{
    for (auto const& info : route_kinds) {
        if (!route_kind_has_text(info.kind)) {
            std::string_view key = info.key;
            if (lowercase_text == key || (info.launch_word && lowercase_text == info.launch_word))
                return Route { info.kind, {} };
            continue;
        }
        if (info.launch_prefix == LaunchPrefix::No)
            continue;
        auto prefix = fmt::format("{}:", info.key);
        if (text.starts_with(prefix))
            return Route { info.kind, std::string(text.substr(prefix.size())) };
    }
    return std::nullopt;
}

std::string_view route_rail_key(Route const& route)
{
    auto const& info = route_kind_info(route.kind);
    return info.rail_label ? info.key : "";
}

}
