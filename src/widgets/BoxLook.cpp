#include "src/widgets/BoxLook.h"

#include "kaso/ui/Scene.h"

namespace vexa {

void BoxLook::paint(kaso::ui::Scene& scene, kaso::ui::Rect const& rect, bool hovered) const
{
    auto const& chosen = (hovered && hover) ? hover : normal;
    if (!chosen)
        return;
    if (chosen->fill)
        scene.fill_rect(rect, *chosen->fill, chosen->radius);
    if (chosen->border)
        scene.stroke_rect(rect, chosen->border->color, chosen->border->width, chosen->radius);
}

}
