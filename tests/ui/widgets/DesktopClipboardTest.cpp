#include <gtest/gtest.h>

#include <SDL.h>

#include "kaso/ui/Clipboard.h"
#include "kaso/ui/LocalTextCell.h"
#include "kaso/ui/TextInput.h"

using namespace kaso::ui;
using Field = kaso::ui::widget::TextInput;

// Run under an X server (xvfb-run): the desktop clipboard and the input method through SDL.
class Desktop : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};

TEST_F(Desktop, TheClipboardGoesThroughTheDesktop)
{
    ASSERT_TRUE(Clipboard::uses_desktop());
    ASSERT_TRUE(Clipboard::set_text("from vexa \xc3\xa9"));
    EXPECT_EQ(Clipboard::text(), "from vexa \xc3\xa9");
    char* seen = SDL_GetClipboardText();
    ASSERT_NE(seen, nullptr);
    EXPECT_STREQ(seen, "from vexa \xc3\xa9");
    SDL_free(seen);
}

TEST_F(Desktop, AFocusedFieldPastesFromTheDesktopAndTurnsTheInputMethodOn)
{
    SDL_StopTextInput();
    auto cell = LocalTextCell::create();
    auto field = Field::from_state(cell);
    field.set_focus(true);
    EXPECT_TRUE(SDL_IsTextInputActive());
    SDL_SetClipboardText("pasted");
    KeyDown paste;
    paste.key = Key::Character;
    paste.text = "v";
    Modifiers control;
    control.control = true;
    EventContext context { paste, control, 1.0f };
    field.handle_event(context);
    EXPECT_TRUE(context.handled);
    EXPECT_EQ(cell->text(), "pasted");
}
