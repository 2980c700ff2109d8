#pragma once

#include "kaso/ui/Widget.h"

namespace kaso::ui {

// The questions a wrapping widget passes on to its children for the frame loop: whether the
// structure changed (every child is asked, none skipped, so each clears its flag), whether any
// needs a redraw, whether any needs measuring again.
bool children_take_structure_dirty(Widget& widget);
bool children_need_redraw(Widget const& widget);
bool children_layout_dirty(Widget const& widget);

// Hands `child` an event in place of the one `context` carries (a shifted or a synthetic one),
// with the same modifiers and scale; its handled flag and focus request come back.
void deliver_event(Widget& child, EventContext& context, Event const& event);

// Keeps pointer events outside a container's rectangle from its children (a scroll view, a
// clipping box): what lies outside is not shown there, so it must not be clicked there either.
// The children see the pointer leave instead, never where it went, so their hover and press end.
class PointerFence {
public:
    enum class Verdict {
        Pass,  // deliver the event as it is
        Leave, // deliver a PointerLeave in its place
        Drop,  // deliver nothing
    };

    // What the children get of this event; events without a position always pass.
    Verdict check(EventContext const& context, Rect const& rect);

private:
    bool m_pointer_inside { false };
};

}
