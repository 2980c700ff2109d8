#pragma once

#include "kaso/ui/Widget.h"

namespace kaso::ui {

// Press, hover and focus behaviour shared by everything that acts when clicked. Hover follows
// the pointer over the widget's rectangle; a primary release over it activates it, and, for a
// button that tracks presses, only when the press began over it too; Enter or Space activate it
// while it has the focus. A subclass says how it activates and which of these it takes part in;
// every change of hover, press or focus marks it for a redraw.
//
// A press is never marked handled, so an enclosing button records it too; a release that
// activates is, so enclosing buttons do not activate as well.
class AbstractButton : public Widget {
public:
    enum class TracksPress : bool {
        No,  // a release over the button activates it wherever the press was
        Yes, // only a press that began over it and a release over it
    };
    enum class KeysActivate : bool {
        No, // keys reach it only through perform_action
        Yes,
    };
    enum class ClickFocuses : bool {
        No,
        Yes, // an activating click asks for the focus of the button's element
    };
    struct Behaviour {
        TracksPress tracks_press { TracksPress::Yes };
        KeysActivate keys_activate { KeysActivate::Yes };
        ClickFocuses click_focuses { ClickFocuses::No };
    };

    bool is_hovered() const { return m_hovered; }
    bool is_pressed() const { return m_pressed; }

    // Widget
    CursorShape cursor_shape(Point point) const override;
    bool is_focusable() const override { return is_enabled(); }
    void set_focus(bool focused) override;
    bool is_focused() const override { return m_focused; }
    bool needs_redraw() const override { return m_dirty; }
    void mark_drawn() override;

protected:
    explicit AbstractButton(Behaviour behaviour)
        : m_behaviour(behaviour)
    {
    }

    // Acts; answers whether it did (a release that activates nothing is not handled).
    virtual bool activate() = 0;
    // A button that is not enabled takes no part in any of this.
    virtual bool is_enabled() const { return true; }

    // Updates hover and press from the event and activates when it completes a click or is an
    // activating key; the children, if any, have been asked before.
    void handle_button_event(EventContext& context);

    bool is_dirty() const { return m_dirty; }
    void set_dirty() { m_dirty = true; }

private:
    void set_hovered(bool hovered);

    Behaviour m_behaviour;
    bool m_hovered { false };
    bool m_pressed { false };
    bool m_focused { false };
    bool m_dirty { true };
};

}
