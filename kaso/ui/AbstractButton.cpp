#include "kaso/ui/AbstractButton.h"

namespace kaso::ui {

CursorShape AbstractButton::cursor_shape(Point point) const
{
    return is_enabled() && m_rect.contains(point) ? CursorShape::Pointer : CursorShape::Default;
}

void AbstractButton::set_focus(bool focused)
{
    if (focused != m_focused) {
        m_focused = focused;
        m_dirty = true;
    }
}

void AbstractButton::mark_drawn()
{
    m_dirty = false;
    Widget::mark_drawn();
}

void AbstractButton::set_hovered(bool hovered)
{
    if (hovered != m_hovered) {
        m_hovered = hovered;
        m_dirty = true;
    }
}

void AbstractButton::handle_button_event(EventContext& context)
{
    if (!is_enabled())
        return;
    auto position = context.logical_position();
    bool inside = position && m_rect.contains(*position);
    bool tracks_press = m_behaviour.tracks_press == TracksPress::Yes;
    auto const* down = std::get_if<PointerDown>(&context.event);
    auto const* up = std::get_if<PointerUp>(&context.event);

    if (std::holds_alternative<PointerMove>(context.event)) {
        set_hovered(inside);
    } else if (std::holds_alternative<PointerLeave>(context.event)) {
        set_hovered(false);
    } else if (down && down->button == PointerButton::Primary) {
        if (!tracks_press)
            return;
        // Hover comes from the last move; a press without one counts where it lands.
        if (inside)
            set_hovered(true);
        if (m_hovered && !context.handled) {
            m_pressed = true;
            m_dirty = true;
        }
    } else if (up && up->button == PointerButton::Primary) {
        // A button that tracks presses judges the release by where it lands; one that does not
        // by the hover its moves left.
        if (tracks_press)
            set_hovered(inside);
        bool armed = tracks_press ? m_pressed : true;
        if (armed && m_hovered && !context.handled) {
            context.handled = activate();
            if (context.handled && m_behaviour.click_focuses == ClickFocuses::Yes)
                context.focus_request = FocusRequest::of(*this);
        }
        if (tracks_press) {
            m_pressed = false;
            m_dirty = true;
        }
    } else if (auto const* key = std::get_if<KeyDown>(&context.event)) {
        if (m_behaviour.keys_activate == KeysActivate::No)
            return;
        if ((key->key == Key::Enter || key->key == Key::Space) && m_focused && !context.handled && activate())
            context.handled = true;
    }
}

}
