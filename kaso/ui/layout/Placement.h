#pragma once

#include "kaso/ui/layout/Node.h"
#include "kaso/ui/layout/Solver.h"

namespace kaso::layout::detail {

// Where an absolute child with automatic insets sits: as if it were the container's only
// in-flow child. Block and grid containers put it at the content box's start.
struct StaticPosition {
    bool row { true };
    JustifyContent justify { JustifyContent::Start };
    AlignItems align_items { AlignItems::Stretch };
};

// Lays out the container's absolute children inside its padding box (`outer` is its border
// box, which has no border here). Runs only in `RunMode::PerformLayout`.
void place_absolute_children(Solver&, NodeId container, Size<float> outer, StaticPosition const&);

// The container's content extent from its placed children (see `Layout`): each child's box,
// widened by its own content unless it clips, plus the end padding; never less than `outer`.
Size<float> content_extent(Solver&, NodeId container, Size<float> outer);

}
