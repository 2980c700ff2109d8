#pragma once

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/Cards.h"

namespace vexa {

// The owner's watch history as rows, newest first as the model keeps it, with "Clear history"
// while the history list holds any id, and the store's recovery notice after the rows.
kaso::ui::Scrollable history_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images);

}
