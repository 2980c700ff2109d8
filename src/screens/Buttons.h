#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "kaso/ui/Icons.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/ControlBindings.h"
#include "src/widgets/Flex.h"

namespace vexa {

enum class ButtonKind {
    Secondary,
    Primary, // filled with the highlight colour
};

// A fill colour with the text colour that reads best on it.
std::pair<kaso::ui::Color, kaso::ui::Color> with_contrast_text_color(kaso::ui::Color fill);

// A labelled button, with an icon unless `glyph` is `Icon::None`, that queues `action`.
Flex action_button(kaso::ui::Theme const& theme, OperationQueueHandle const& queue, std::string label, kaso::ui::Icon glyph, UiAction action,
    ButtonKind kind);

// Whether a chip shows as the selected one of its row.
enum class ChipState {
    Inactive,
    Active,
};

// A small toggle-like button; the active one has an accent border and label.
Flex chip_button(kaso::ui::Theme const& theme, OperationQueueHandle const& queue, std::string id, std::string label, UiAction action,
    ChipState state);
// "Add to queue" or, for a queued video, "In queue" on the highlight colour. It acts through
// the runtime action system, bound to the "queue" action of the video's resource; without such
// a binding it does nothing.
Flex queue_button(VexaModel const& model, kaso::ui::Theme const& theme, std::string_view video_id, ControlBindings const& bindings = {});

}
