#include "kaso/ui/SdlInput.h"

#include <SDL.h>

namespace kaso::ui {

namespace {

Modifiers modifiers_of(Uint16 state)
{
    return Modifiers {
        .shift = (state & KMOD_SHIFT) != 0,
        .control = (state & KMOD_CTRL) != 0,
        .alt = (state & KMOD_ALT) != 0,
        .super = (state & KMOD_GUI) != 0,
    };
}

// The modifiers a key was pressed with are the event's own: when a busy frame reads them, a quick
// Ctrl+K may long have been released. Pointer events carry none, so they take the keyboard's
// state as it is now.
Modifiers modifiers_for(SDL_Event const& event)
{
    if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP)
        return modifiers_of(event.key.keysym.mod);
    return modifiers_of(Uint16(SDL_GetModState()));
}

Key key_of(SDL_Keycode code)
{
    switch (code) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return Key::Enter;
    case SDLK_ESCAPE: return Key::Escape;
    case SDLK_BACKSPACE: return Key::Backspace;
    case SDLK_DELETE: return Key::Delete;
    case SDLK_TAB: return Key::Tab;
    case SDLK_SPACE: return Key::Space;
    case SDLK_LEFT: return Key::ArrowLeft;
    case SDLK_RIGHT: return Key::ArrowRight;
    case SDLK_UP: return Key::ArrowUp;
    case SDLK_DOWN: return Key::ArrowDown;
    case SDLK_HOME: return Key::Home;
    case SDLK_END: return Key::End;
    case SDLK_PAGEUP: return Key::PageUp;
    case SDLK_PAGEDOWN: return Key::PageDown;
    case SDLK_F1: return Key::F1;
    case SDLK_F5: return Key::F5;
    case SDLK_AC_BACK: return Key::BrowserBack;
    case SDLK_AUDIOPLAY: return Key::MediaPlayPause;
    default: break;
    }
    if (code > 32 && code < 127)
        return Key::Character;
    return Key::Other;
}

PointerButton button_of(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_RIGHT: return PointerButton::Secondary;
    case SDL_BUTTON_MIDDLE: return PointerButton::Middle;
    case SDL_BUTTON_X1: return PointerButton::Back;
    case SDL_BUTTON_X2: return PointerButton::Forward;
    default: return PointerButton::Primary;
    }
}

// Lines of a wheel notch, in logical pixels.
constexpr double wheel_step = 48.0;

}

std::optional<TranslatedEvent> translate_sdl_event(SDL_Event const& event, float scale)
{
    auto modifiers = modifiers_for(event);
    switch (event.type) {
    case SDL_MOUSEMOTION:
        return TranslatedEvent { PointerMove { event.motion.x * double(scale), event.motion.y * double(scale) }, modifiers };
    case SDL_MOUSEBUTTONDOWN:
        return TranslatedEvent { PointerDown { event.button.x * double(scale), event.button.y * double(scale), button_of(event.button.button), event.button.clicks }, modifiers };
    case SDL_MOUSEBUTTONUP:
        return TranslatedEvent { PointerUp { event.button.x * double(scale), event.button.y * double(scale), button_of(event.button.button) }, modifiers };
    case SDL_MOUSEWHEEL: {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        double direction = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0 : 1.0;
        return TranslatedEvent { Scroll { x * double(scale), y * double(scale), direction * double(event.wheel.preciseX) * wheel_step,
                                     -direction * double(event.wheel.preciseY) * wheel_step },
            modifiers };
    }
    case SDL_KEYDOWN: {
        KeyDown down;
        down.key = key_of(event.key.keysym.sym);
        down.repeat = event.key.repeat != 0;
        if (down.key == Key::Character)
            down.text = std::string(1, static_cast<char>(event.key.keysym.sym));
        return TranslatedEvent { std::move(down), modifiers };
    }
    case SDL_KEYUP:
        return TranslatedEvent { KeyUp { key_of(event.key.keysym.sym) }, modifiers };
    case SDL_TEXTINPUT:
        return TranslatedEvent { TextInput { event.text.text }, modifiers };
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_LEAVE)
            return TranslatedEvent { PointerLeave {}, modifiers };
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            return TranslatedEvent { FocusLost {}, modifiers };
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

}
