#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kaso/ui/Geometry.h"

namespace kaso::ui {

class Widget;

// What a widget tells the platform about being pointed at, focused, announced and asked to act.
// The numbers are the platform's own codes; a widget names them, never spells the number.

// The mouse cursor over a widget.
enum class CursorShape : uint8_t {
    Default = 0, // the arrow
    Text = 1,    // an I-beam over editable text
    Pointer = 3, // a pointing hand over a clickable element
};

// What kind of thing assistive technology is told a widget is.
enum class AccessRole : uint8_t {
    Unknown = 0, // no role of its own, such as the window's root
    TextField = 10,
    SearchField = 11,
    Button = 17, // anything that acts when activated
    Switch = 23, // an on/off control; its state is the description
    Image = 31,  // a picture, such as an avatar or the video surface
};

// What assistive technology is told about a widget.
struct AccessNode {
    AccessRole role { AccessRole::Unknown };
    std::string name;
    std::string description;
    Rect bounds;
    bool focused { false };
    bool busy { false };
    std::optional<std::string> announcement;
};

// Which of a widget's own actions the keyboard or assistive technology asks for.
enum class ActionRequestKind : int8_t {
    Named = -1,  // a named action, carried in the request's id ("kaso.key-action:<id>")
    Default = 0, // the widget's default action: a click
    Focus = 1,   // take the keyboard focus
    Toggle = 2,  // flip an on/off control
};

struct ActionRequest {
    ActionRequestKind kind { ActionRequestKind::Default };
    std::string id; // the action's name, for a named request
};

// Which element an event asks to focus: the element with an id or, for a widget that has
// none, that widget itself. Whoever delivered the event moves the focus once it returns.
struct FocusRequest {
    std::optional<std::string> id;
    Widget const* widget { nullptr };

    static FocusRequest element(std::string id) { return { std::move(id), nullptr }; }
    // The widget's own element: its id when it has one, else the widget itself.
    static FocusRequest of(Widget const& widget);

    // Whether `candidate` is the element asked for.
    bool names(Widget const& candidate) const;
    bool operator==(FocusRequest const&) const = default;
};

// Gives the focus to the element `request` names under `root` and takes it from every other
// focusable widget there.
void move_focus(Widget& root, FocusRequest const& request);

}
