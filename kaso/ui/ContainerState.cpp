#include "kaso/ui/ContainerState.h"

namespace kaso::ui {

bool children_take_structure_dirty(Widget& widget)
{
    bool any = false;
    widget.for_each_child([&](Widget& child) { any = child.take_structure_dirty() || any; });
    return any;
}

bool children_need_redraw(Widget const& widget)
{
    bool any = false;
    widget.for_each_child([&](Widget const& child) { any = any || child.needs_redraw(); });
    return any;
}

bool children_layout_dirty(Widget const& widget)
{
    bool any = false;
    widget.for_each_child([&](Widget const& child) { any = any || child.is_layout_dirty(); });
    return any;
}

void deliver_event(Widget& child, EventContext& context, Event const& event)
{
    if (&event == &context.event) {
        child.handle_event(context);
        return;
    }
    EventContext inner { event, context.modifiers, context.scale, context.handled, context.focus_request };
    child.handle_event(inner);
    context.handled = inner.handled;
    context.focus_request = std::move(inner.focus_request);
}

}
