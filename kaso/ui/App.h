#pragma once

#include "kaso/actions/ActionRegistry.h"

namespace kaso::ui::app {

// The runtime's side of one running application: what the application registered with it.
class App {
public:
    kaso::actions::ActionRegistry& action_registry_mut() { return m_registry; }
    kaso::actions::ActionRegistry const& action_registry() const { return m_registry; }

private:
    kaso::actions::ActionRegistry m_registry;
};

}
