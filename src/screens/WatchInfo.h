#pragma once

#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/Cards.h"
#include "src/screens/ControlBindings.h"
#include "src/widgets/Flex.h"

namespace vexa {

// The Watch page's column beside the player: the settings button, the newest notices, the
// title and its controls (like, dislike count, queue, share), the creator with the subscribe
// button, the description and the comments. The queue button takes its binding from `bindings`.
Flex watch_info_column(VexaModel const& model, kaso::ui::Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Video const& video, ControlBindings const& bindings = {});

// One comment: the author's initials beside the header line, the text and the likes line.
Flex comment_row(kaso::ui::Theme const& theme, Comment const& comment);

}
