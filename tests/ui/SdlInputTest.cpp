// The window system's events as ours. A key carries the modifiers held when it was pressed:
// by the time a busy frame reads its queue, a quick Ctrl+K has often been released, and the
// keyboard's state then no longer says Ctrl.

#include <gtest/gtest.h>

#include <SDL.h>

#include "kaso/ui/SdlInput.h"

namespace kaso::ui {
namespace {

SDL_Event key_event(Uint32 type, SDL_Keycode code, Uint16 held)
{
    SDL_Event event {};
    event.type = type;
    event.key.type = type;
    event.key.keysym.sym = code;
    event.key.keysym.mod = held;
    return event;
}

TEST(SdlInput, KeysCarryTheModifiersHeldWhenTheyWerePressed)
{
    // SDL's own keyboard state stays empty here: nothing is held as these are read.
    ASSERT_EQ(SDL_GetModState(), KMOD_NONE);
    struct Case {
        char const* name;
        Uint32 type;
        Uint16 held;
        Modifiers expected;
    };
    Case const cases[] = {
        { "ctrl+k", SDL_KEYDOWN, KMOD_LCTRL, { .control = true } },
        { "right ctrl", SDL_KEYDOWN, KMOD_RCTRL, { .control = true } },
        { "shift+alt", SDL_KEYDOWN, KMOD_LSHIFT | KMOD_RALT, { .shift = true, .alt = true } },
        { "super", SDL_KEYDOWN, KMOD_LGUI, { .super = true } },
        { "caps lock is no modifier", SDL_KEYDOWN, KMOD_CAPS, {} },
        { "key up", SDL_KEYUP, KMOD_LCTRL, { .control = true } },
    };
    for (auto const& test : cases) {
        SCOPED_TRACE(test.name);
        auto translated = translate_sdl_event(key_event(test.type, SDLK_k, test.held), 1.0f);
        ASSERT_TRUE(translated);
        EXPECT_EQ(translated->modifiers.control, test.expected.control);
        EXPECT_EQ(translated->modifiers.shift, test.expected.shift);
        EXPECT_EQ(translated->modifiers.alt, test.expected.alt);
        EXPECT_EQ(translated->modifiers.super, test.expected.super);
    }
    auto down = translate_sdl_event(key_event(SDL_KEYDOWN, SDLK_k, KMOD_LCTRL), 1.0f);
    auto const* key = std::get_if<KeyDown>(&down->event);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->key, Key::Character);
    EXPECT_EQ(key->text, "k");
}

}
}
