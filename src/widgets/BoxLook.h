#pragma once

#include <optional>

#include "kaso/ui/Geometry.h"
#include "src/widgets/FlexStyle.h"

namespace kaso::ui {
class Scene;
}

namespace vexa {

// The rounded box a Flex paints behind its children: its normal style, and another while the
// pointer is over it. With neither (or only a hover style, while not hovered) it paints nothing.
struct BoxLook {
    std::optional<BoxStyle> normal;
    std::optional<BoxStyle> hover;

    // The fill, then the border, over `rect`.
    void paint(kaso::ui::Scene& scene, kaso::ui::Rect const& rect, bool hovered) const;
};

}
