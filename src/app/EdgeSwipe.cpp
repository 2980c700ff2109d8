#include "src/app/EdgeSwipe.h"

#include <cmath>

namespace vexa {

using namespace kaso::ui;

bool EdgeSwipe::track(EventContext const& context)
{
    if (std::holds_alternative<PointerMove>(context.event)) {
        if (auto position = context.logical_position())
            m_pointer = *position;
        if (m_fired || !m_tracking)
            return false;
        double dx = m_pointer.x - m_start.x;
        double dy = std::abs(m_pointer.y - m_start.y);
        if (dx >= min_travel && dx > dy) {
            m_fired = true;
            return true;
        }
    } else if (auto const* down = std::get_if<PointerDown>(&context.event); down && down->button == PointerButton::Primary) {
        if (auto position = context.logical_position())
            m_pointer = *position;
        m_fired = false;
        m_start = m_pointer;
        m_tracking = m_pointer.x <= edge;
    } else if (auto const* up = std::get_if<PointerUp>(&context.event); up && up->button == PointerButton::Primary) {
        m_tracking = false;
        m_fired = false;
    }
    return false;
}

}
