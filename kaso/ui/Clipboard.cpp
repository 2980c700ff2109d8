#include "kaso/ui/Clipboard.h"

#include <SDL.h>

#include "kaso/platform/Log.h"

namespace kaso::ui {

namespace {

std::string& fallback()
{
    static std::string text;
    return text;
}

}

bool Clipboard::uses_desktop() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

std::string Clipboard::text()
{
    if (!uses_desktop())
        return fallback();
    char* text = SDL_GetClipboardText();
    if (!text)
        return {};
    std::string copy(text);
    SDL_free(text);
    return copy;
}

void Clipboard::set_text(std::string const& text)
{
    if (!uses_desktop()) {
        fallback() = text;
        return;
    }
    if (SDL_SetClipboardText(text.c_str()) != 0)
        kaso::log::target("kaso::ui")->warn("clipboard text not set error={}", SDL_GetError());
}

}
