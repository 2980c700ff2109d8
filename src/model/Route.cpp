#include "src/model/Route.h"

namespace vexa {

bool route_kind_has_text(RouteKind kind)
{
    switch (kind) {
    case RouteKind::Watch:
    case RouteKind::Channel:
    case RouteKind::Playlist:
    case RouteKind::Search:
        return true;
    case RouteKind::Home:
    case RouteKind::Trending:
    case RouteKind::Subscriptions:
    case RouteKind::Queue:
    case RouteKind::History:
    case RouteKind::Settings:
        return false;
    }
    return false;
}

bool Route::operator==(Route const& other) const
{
    if (kind != other.kind)
        return false;
    return !has_text() || text == other.text;
}

std::string_view route_kind_name(RouteKind kind)
{
    switch (kind) {
    case RouteKind::Home:
        return "Home";
    case RouteKind::Trending:
        return "Trending";
    case RouteKind::Subscriptions:
        return "Subscriptions";
    case RouteKind::Queue:
        return "Queue";
    case RouteKind::Watch:
        return "Watch";
    case RouteKind::Channel:
        return "Channel";
    case RouteKind::Playlist:
        return "Playlist";
    case RouteKind::Search:
        return "Search";
    case RouteKind::History:
        return "History";
    case RouteKind::Settings:
        return "Settings";
    }
    return "Home";
}

}
