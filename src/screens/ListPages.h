#pragma once

#include <string_view>

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/Cards.h"
#include "src/screens/ControlBindings.h"

namespace vexa {

// The shared watch queue: the queued videos the model knows, each with its queue button, a line
// counting the queued ids it does not know yet, and an empty state (its own large form) when
// none is known. `content_width` is the width beside the rail, in logical pixels; the queue
// buttons take their bindings from `bindings`.
kaso::ui::Scrollable queue_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, double content_width, ControlBindings const& bindings = {});

// A creator's banner, header with the subscribe button, and uploads; "Channel not found" for a
// creator the model does not know.
kaso::ui::Scrollable channel_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, std::string_view channel_id);

// A playlist's picture, title, count and "Play all", then its known videos as rows;
// "Loading playlist…" while none of them is known, "Playlist unavailable" for a playlist the
// model does not know.
kaso::ui::Scrollable playlist_screen(VexaModel const& model, kaso::ui::Theme const& theme, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, std::string_view playlist_id);

// The width of the queue's large-form columns: the content width less the page's padding, kept
// within 1..920.
float queue_list_width(double content_width);

}
