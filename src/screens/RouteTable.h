#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kaso/ui/Icons.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/Cards.h"
#include "src/screens/DeviceSection.h"
#include "src/screens/WatchScreen.h"

namespace vexa {

// What a page builder is given: the model, the build's theme and scale, the queue its widgets
// push into, the image store for pages with pictures (may be empty), the route itself, and the
// player surface the Watch page hosts (whose width is also the Queue page's), and what the
// Settings page shows of device sync.
struct PageInputs {
    VexaModel const& model;
    kaso::ui::Theme const& theme;
    float scale;
    OperationQueueHandle const& queue;
    ImageStoreHandle const& images;
    Route const& route;
    WatchSurface const& watch;
    DeviceSectionInput const& devices;
};

// Whether a "--route" text may name a kind with a text as "<key>:<text>".
enum class LaunchPrefix : bool {
    No,
    Yes,
};

// What a route kind means to the rest of the program. Every place that needs a route's key,
// title, icon or page reads this one row; nothing else switches over route kinds for them.
struct RouteKindInfo {
    RouteKind kind;
    // The scroll key, "watch" for "watch:<id>" on kinds with a text; also the rail's item key.
    char const* key;
    // The title when the route names no known item; item kinds look their item up first.
    char const* title;
    // The rail's short label, or none when the rail has no item for the kind.
    char const* rail_label;
    kaso::ui::Icon icon;
    // How a "--route" text names the kind: kinds without a text by their key or this second
    // word (any case); kinds with a text as "<key>:<text>" when `launch_prefix` says so.
    char const* launch_word;
    LaunchPrefix launch_prefix;
    // The name of the item a route of this kind shows, when the model knows it (Watch,
    // Channel, Playlist); none for the other kinds.
    std::optional<std::string> (*item_title)(VexaModel const&, std::string const&);
    kaso::ui::Scrollable (*build_page)(PageInputs const&);
};

RouteKindInfo const& route_kind_info(RouteKind kind);

// "home", "subs", "watch:<id>", "search:<query>", ...: the key under which a route's scroll
// offset survives rebuilds.
std::string route_scroll_key(Route const& route);
// The page heading and the window's accessible title: the item's name, the kind's title, or
// "Search results for <query>".
std::string route_title(VexaModel const& model, Route const& route);
// The window's accessible name: "Vexa — " and the route's title.
std::string route_accessible_name(VexaModel const& model, Route const& route);
// The rail's item key of the route, empty for kinds the rail has no item for.
std::string_view route_rail_key(Route const& route);
// The route a launch text names by the table's launch words and prefixes; none otherwise.
// `lowercase_text` is the text in ASCII lower case, for the words.
std::optional<Route> route_from_launch_text(std::string_view text, std::string_view lowercase_text);

}
