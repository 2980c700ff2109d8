#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vexa {

// The page on screen. The order of the kinds is fixed: it is the tag of the route's JSON form.
enum class RouteKind : uint8_t {
    Home,
    Trending,
    Subscriptions,
    Queue,
    Watch,    // text: video id
    Channel,  // text: channel id
    Playlist, // text: playlist id
    Search,   // text: query
    History,
    Settings,
};

// Whether routes of this kind carry a text (Watch, Channel, Playlist, Search).
bool route_kind_has_text(RouteKind kind);

struct Route {
    RouteKind kind { RouteKind::Home };
    // The video id, channel id, playlist id or query; always empty for the other kinds.
    std::string text;

    static Route home() { return Route { RouteKind::Home, {} }; }
    static Route trending() { return Route { RouteKind::Trending, {} }; }
    static Route subscriptions() { return Route { RouteKind::Subscriptions, {} }; }
    static Route queue() { return Route { RouteKind::Queue, {} }; }
    static Route watch(std::string video_id) { return Route { RouteKind::Watch, std::move(video_id) }; }
    static Route channel(std::string channel_id) { return Route { RouteKind::Channel, std::move(channel_id) }; }
    static Route playlist(std::string playlist_id) { return Route { RouteKind::Playlist, std::move(playlist_id) }; }
    static Route search(std::string query) { return Route { RouteKind::Search, std::move(query) }; }
    static Route history() { return Route { RouteKind::History, {} }; }
    static Route settings() { return Route { RouteKind::Settings, {} }; }

    bool is(RouteKind other) const { return kind == other; }
    bool has_text() const { return route_kind_has_text(kind); }

    // Equal kinds, and equal texts for the kinds that carry one; a stray text on a kind without
    // one is ignored.
    bool operator==(Route const& other) const;
};

// The variant name of a kind: "Home", "Watch", ...
std::string_view route_kind_name(RouteKind kind);

}
