#pragma once

#include <string_view>

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/Cards.h"

namespace vexa {

// The results of `query` (creators, playlists, videos of the kinds switched on), with the type
// chips above and the searching, delayed, blank-query and no-results states.
kaso::ui::Scrollable search_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, std::string_view query);

}
