#include "kaso/ui/Interaction.h"

#include <functional>

#include "kaso/ui/Widget.h"

namespace kaso::ui {

FocusRequest FocusRequest::of(Widget const& widget)
{
    if (auto id = widget.widget_id())
        return element(std::move(*id));
    return { std::nullopt, &widget };
}

bool FocusRequest::names(Widget const& candidate) const
{
    if (widget)
        return &candidate == widget;
    return id && candidate.widget_id() == id;
}

void move_focus(Widget& root, FocusRequest const& request)
{
    std::function<void(Widget&)> visit = [&](Widget& widget) {
        if (widget.is_focusable())
            widget.set_focus(request.names(widget));
        widget.for_each_child(visit);
    };
    visit(root);
}

}
