#pragma once

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/Cards.h"

namespace vexa {

// Every known video in model order, or the loading, error, offline or empty state.
kaso::ui::Scrollable home_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images);
// Every known video, most viewed first (equal counts keep model order).
kaso::ui::Scrollable trending_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images);
// The strip of subscribed creators the model knows, then their known videos.
kaso::ui::Scrollable subscriptions_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale,
    OperationQueueHandle const& queue, ImageStoreHandle const& images);

}
