#pragma once

#include <string>
#include <vector>

#include "kaso/ui/Theme.h"
#include "src/widgets/Flex.h"

namespace vexa {

// A placeholder block of a loading page.
Flex skeleton_block(kaso::ui::Theme const& theme, Length width, float height, double radius);
// The placeholder of one video card: a picture block, an avatar disc and three text bars.
Flex skeleton_card(kaso::ui::Theme const& theme);
// A video grid of `count` placeholder cards.
Flex loading_grid(kaso::ui::Theme const& theme, float scale, std::size_t count);
// An auto-fill grid of columns at least 300 wide, or in the large form one card per line.
Flex card_grid(float scale, std::vector<Flex> items, std::string id);
// The grid of video cards, "video_grid".
Flex video_grid(float scale, std::vector<Flex> items);
// An empty full-width row of a fixed height.
Flex height_spacer(float height);

}
