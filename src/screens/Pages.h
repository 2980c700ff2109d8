#pragma once

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/model/VexaModel.h"
#include "src/actions/OperationQueue.h"

namespace vexa {

// The page of a route: its header and the videos it lists (each row opens its video), or an
// empty state. Wrapped for scrolling.
kaso::ui::Scrollable route_page(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    Route const& route);

}
