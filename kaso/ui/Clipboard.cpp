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

bool& refuses()
{
    static bool refuses = false;
    return refuses;
}

}

void Clipboard::set_in_memory_refuses(bool refuses_text) { refuses() = refuses_text; }

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

bool Clipboard::set_text(std::string const& text)
{
    if (!uses_desktop()) {
        if (refuses())
            return false;
        fallback() = text;
        return true;
    }
    if (SDL_SetClipboardText(text.c_str()) != 0) {
        kaso::log::target("kaso::ui")->warn("clipboard text not set error={}", SDL_GetError());
        return false;
    }
    return true;
}

}
