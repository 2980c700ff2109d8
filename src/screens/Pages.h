#pragma once

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/model/VexaModel.h"
#include "src/actions/OperationQueue.h"
#include "src/screens/Cards.h"
#include "src/screens/DeviceSection.h"
#include "src/screens/WatchScreen.h"

namespace vexa {

// The page of a route from its page builder. Pictures come from `images` when given; the Watch
// page hosts the player of `watch`, the Queue page takes its width, and the Settings page shows
// `devices`.
kaso::ui::Scrollable route_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, Route const& route, WatchSurface const& watch = {}, DeviceSectionInput const& devices = {});

}
