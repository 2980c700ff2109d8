#pragma once

#include <string>

#include "kaso/ui/IconWidget.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Text.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/widgets/Flex.h"

namespace vexa {

// The vocabulary every page is built from.

// A label in the theme's text colour, or in a given colour.
kaso::ui::Text text_label(kaso::ui::Theme const& theme, std::string text, float size);
kaso::ui::Text colored_label(std::string text, float size, kaso::ui::Color color);
// An icon at a size and colour, stroked as every icon of the pages is.
kaso::ui::IconWidget icon(kaso::ui::Icon icon, float size, kaso::ui::Color color);

// A page's title row: icon and title, and at the far end a subtitle (the large form drops the
// subtitle and leaves room below instead).
Flex section_header(kaso::ui::Theme const& theme, float scale, kaso::ui::Icon glyph, std::string title, std::string subtitle);
// A centred icon, title and message for a page with nothing to show.
Flex empty_state(kaso::ui::Theme const& theme, std::string title, std::string message);
// A square button holding an icon that queues `action`.
Flex icon_button(kaso::ui::Theme const& theme, OperationQueueHandle const& queue, kaso::ui::Icon glyph, UiAction action);
// The page column as a block inside a scroll view.
kaso::ui::Scrollable page_scroll(Flex page);

}
