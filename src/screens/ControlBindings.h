#pragma once

#include <optional>
#include <string_view>

#include "kaso/actions/ActionEmitter.h"
#include "src/model/Route.h"
#include "src/widgets/Flex.h"

namespace vexa {

struct VexaModel;

// Where the chrome and the pages get the bindings of the controls that act through the runtime's
// action system instead of the operation queue: the application's action tree, which the screens
// do not build themselves. A missing source, or one that finds no such action, leaves the control
// without any action.
struct ControlBindings {
    // The "queue" action of a video's resource.
    std::optional<kaso::actions::ActionBinding> (*video_queue)(VexaModel const& model, std::string_view video_id) { nullptr };
    // The navigation resource's "toggle-sidebar".
    std::optional<kaso::actions::ActionBinding> (*sidebar_toggle)() { nullptr };
    // The navigation action of a route; none for routes the rail has no item for.
    std::optional<kaso::actions::ActionBinding> (*navigation)(Route const& route) { nullptr };
};

// `box` with the control of `binding` when there is one, unchanged otherwise.
Flex with_control_if(Flex box, std::optional<kaso::actions::ActionBinding> binding);

}
