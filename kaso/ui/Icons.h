#pragma once

#include <cstdint>
#include <vector>

#include "kaso/ui/Geometry.h"

namespace kaso::ui {

// The runtime's icon set: line drawings in a 24-unit square, stroked with round caps and joins.
// The numbers are the platform's icon codes; pages name the icons, never the numbers.
enum class Icon : uint8_t {
    Creators = 4,       // two people
    Device = 7,         // a phone
    DeviceApproved = 9, // a phone with a check
    Key = 11,
    Search = 19, // a magnifier
    Settings = 26,
    Home = 27,
    Back = 38,    // an arrow pointing left
    Onward = 42,  // a chevron pointing right
    Verified = 57, // a check in a circle
    Trending = 58,
    Person = 59, // subscriptions and creators
    History = 60,
    Like = 62,
    Dislike = 63,
    List = 64, // queues and playlists
    Empty = 67, // an open tray
    Menu = 69,  // three bars: the navigation toggle
    Check = 73,
    Video = 74, // a screen with a play triangle
    Clear = 78, // a bin
    Skip = 95,  // a play triangle against a bar
    None = 255,
};

struct IconDrawing {
    std::vector<std::vector<Point>> subpaths; // 24-unit coordinates, origin top left
    std::vector<bool> closed;                 // one per subpath
};

// The drawing of an icon; empty for `Icon::None` and for codes the set does not hold.
IconDrawing const& icon_drawing(Icon icon);

// Every icon the set holds, in increasing order of code.
std::vector<Icon> const& all_icons();

}
