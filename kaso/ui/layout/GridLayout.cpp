#include "kaso/ui/layout/Solver.h"

namespace kaso::layout::detail {

LayoutOutput compute_grid(Solver& solver, NodeId id, LayoutInput const& input)
{
    return compute_leaf(solver, id, input);
}

}
