#pragma once

#include <optional>

#include "kaso/ui/TextCell.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/screens/PaletteSearch.h"
#include "src/widgets/Flex.h"

namespace vexa {

struct VexaModel;

// The action palette while the model has it open: a dimming scrim over the window (a click on
// it closes the palette) holding the card with the query field bound to `query_cell` and the
// first palette_row_limit matches of the model's content search for its query, each row opening
// its video or creator. None while the palette is closed.
//
// The scrim fills the box it is given; the root places it over the whole window.
std::optional<Flex> action_palette(VexaModel const& model, kaso::ui::Theme const& theme, OperationQueueHandle const& queue,
    kaso::ui::TextCellHandle query_cell);

// The rows of the palette's results column for these matches (at most palette_row_limit).
Flex palette_results(kaso::ui::Theme const& theme, OperationQueueHandle const& queue, std::string_view query, std::vector<PaletteMatch> const& matches);

}
