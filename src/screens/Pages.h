#pragma once

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/model/VexaModel.h"
#include "src/actions/OperationQueue.h"
#include "src/screens/Cards.h"
#include "src/screens/WatchScreen.h"

namespace vexa {

// The page of a route from its page builder: Home, Trending, Subscriptions, Watch and Search
// have theirs; the other routes still get the stand-in below. Pictures come from `images` when
// given; the Watch page hosts the player of `watch`.
kaso::ui::Scrollable route_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, Route const& route, WatchSurface const& watch = {});

// The stand-in page of a route: its header and the videos it lists (each row opens its video), or an
// empty state. Wrapped for scrolling.
kaso::ui::Scrollable route_page(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    Route const& route);

}
