#pragma once

#include "kaso/ui/Widget.h"

namespace vexa {

// The edge-swipe back gesture: a primary press within `edge` of the window's left side, then a
// move at least `min_travel` to the right that goes further across than down. Positions are
// logical (divided by the scale factor).
class EdgeSwipe {
public:
    // Follows one pointer event; answers true on the move that completes a swipe, at most once
    // per press.
    bool track(kaso::ui::EventContext const& context);
    // A swipe completed during the current press; cleared by the primary release.
    bool fired() const { return m_fired; }

    static constexpr double edge = 24.0;
    static constexpr double min_travel = 80.0;

private:
    kaso::ui::Point m_pointer; // the last pointer position
    kaso::ui::Point m_start;
    bool m_tracking { false };
    bool m_fired { false };
};

}
