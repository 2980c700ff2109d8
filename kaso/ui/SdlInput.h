#pragma once

#include <optional>

#include "kaso/ui/Event.h"

union SDL_Event;

namespace kaso::ui {

struct TranslatedEvent {
    Event event;
    Modifiers modifiers;
};

// The window system's event as ours: pointer positions in device pixels (window coordinates
// times `scale`), keys by name. None for events widgets do not see.
std::optional<TranslatedEvent> translate_sdl_event(SDL_Event const& event, float scale);

}
