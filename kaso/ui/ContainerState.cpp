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
    return widget.any_child([](Widget const& child) { return child.needs_redraw(); });
}

bool children_layout_dirty(Widget const& widget)
{
    return widget.any_child([](Widget const& child) { return child.is_layout_dirty(); });
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

PointerFence::Verdict PointerFence::check(EventContext const& context, Rect const& rect)
{
    auto position = context.logical_position();
    if (!position) {
        if (std::holds_alternative<PointerLeave>(context.event))
            m_pointer_inside = false;
        return Verdict::Pass;
    }
    if (!rect.contains(*position)) {
        // A release out here still ends a press that began inside.
        bool tell = m_pointer_inside || std::holds_alternative<PointerUp>(context.event);
        m_pointer_inside = false;
        return tell ? Verdict::Leave : Verdict::Drop;
    }
    m_pointer_inside = true;
    return Verdict::Pass;
}

}
