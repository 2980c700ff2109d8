#include "src/screens/ControlBindings.h"

namespace vexa {

Flex with_control_if(Flex box, std::optional<kaso::actions::ActionBinding> binding)
{
    if (binding)
        box.with_control(kaso::actions::ActionEmitter(std::move(*binding)));
    return box;
}

}
