#pragma once

#include <cstdint>
#include <vector>

#include "kaso/ui/Geometry.h"

namespace kaso::ui {

// The runtime's icon set: line drawings in a 24-unit square, stroked with round caps and joins.
// Icons are named by number; the numbers are the ones the application's pages pass.
struct IconDrawing {
    std::vector<std::vector<Point>> subpaths; // 24-unit coordinates, origin top left
    std::vector<bool> closed;                 // one per subpath
};

// 255 stands for "no icon".
constexpr uint8_t no_icon = 255;

// The drawing of an icon number; empty for 255 and for numbers the set does not hold.
IconDrawing const& icon_drawing(uint8_t number);

// Every icon number the set holds, in increasing order.
std::vector<uint8_t> const& icon_numbers();

}
