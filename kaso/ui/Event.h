#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace kaso::ui {

// Keys by name. Letters and digits arrive as Character with their text; the rest are named.
enum class Key {
    Character,
    Enter,
    Escape,
    Backspace,
    Delete,
    Tab,
    Space,
    ArrowLeft,
    ArrowRight,
    ArrowUp,
    ArrowDown,
    Home,
    End,
    PageUp,
    PageDown,
    F1,
    F5,
    BrowserBack,
    MediaPlayPause,
    Other,
};

struct Modifiers {
    bool shift { false };
    bool control { false };
    bool alt { false };
    bool super { false };

    bool none() const { return !shift && !control && !alt && !super; }
    bool operator==(Modifiers const&) const = default;
};

enum class PointerButton {
    Primary,
    Secondary,
    Middle,
    Back,
    Forward,
};

// Positions are in device pixels as the window reports them; widgets divide them by the scale
// factor before hit tests.
struct PointerMove {
    double x { 0 };
    double y { 0 };
};

struct PointerDown {
    double x { 0 };
    double y { 0 };
    PointerButton button { PointerButton::Primary };
    int clicks { 1 };
};

struct PointerUp {
    double x { 0 };
    double y { 0 };
    PointerButton button { PointerButton::Primary };
};

struct PointerLeave { };

// Wheel or touchpad scrolling at a pointer position. dx, dy are logical pixels by which the view
// moves over its content: positive dy shows what lies further down.
struct Scroll {
    double x { 0 };
    double y { 0 };
    double dx { 0 };
    double dy { 0 };
};

struct KeyDown {
    Key key { Key::Other };
    std::string text; // for Key::Character: the character as typed (without modifiers applied)
    bool repeat { false };
};

struct KeyUp {
    Key key { Key::Other };
};

// Committed text from the input method.
struct TextInput {
    std::string text;
};

struct Resized {
    double width { 0 }; // logical pixels
    double height { 0 };
    double scale { 1 };
};

struct FocusLost { };

using Event = std::variant<PointerMove, PointerDown, PointerUp, PointerLeave, Scroll, KeyDown, KeyUp, TextInput, Resized, FocusLost>;

}
