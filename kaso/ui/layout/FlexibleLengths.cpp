#include "kaso/ui/layout/FlexItem.h"

#include <cmath>

namespace kaso::layout::detail {

namespace {

// A line whose items miss its space by no more than float noise already fits: flexing it would
// only measure automatic minimums for nothing.
constexpr float s_fit_tolerance = 0.001f;

float free_space(std::span<FlexItem> line, float space)
{
    for (FlexItem const& item : line)
        space -= item.target;
    return space;
}

}

void resolve_flexible_lengths(std::span<FlexItem> line, float space, FlexLimits& limits)
{
    float used = 0.0f;
    for (FlexItem const& item : line)
        used += item.hypothetical;
    if (std::fabs(used - space) <= s_fit_tolerance) {
        for (FlexItem& item : line)
            item.target = item.hypothetical;
        return;
    }
    bool growing = used < space;

    // Items that cannot flex in this direction, or whose limits already moved them against
    // it, keep their hypothetical size; the others start from their base.
    for (FlexItem& item : line) {
        float factor = growing ? item.grow : item.shrink;
        item.frozen = factor <= 0.0f || (growing && item.base > item.hypothetical) || (!growing && item.base < item.hypothetical);
        item.target = item.frozen ? item.hypothetical : item.base;
    }
    float initial_free = free_space(line, space);

    // Each round freezes at least one item, so there are at most as many rounds as items.
    for (std::size_t round = 0; round <= line.size(); ++round) {
        float factors = 0.0f;
        float scaled_shrink = 0.0f;
        bool any_unfrozen = false;
        for (FlexItem& item : line) {
            if (item.frozen)
                continue;
            any_unfrozen = true;
            item.target = item.base;
            factors += growing ? item.grow : item.shrink;
            scaled_shrink += item.shrink * item.base;
        }
        if (!any_unfrozen)
            break;

        // Factors summing below 1 hand out only that share of the free space.
        float remaining = free_space(line, space);
        if (factors < 1.0f) {
            float limited = initial_free * factors;
            if (std::fabs(limited) < std::fabs(remaining))
                remaining = limited;
        }

        float total_violation = 0.0f;
        for (FlexItem& item : line) {
            if (item.frozen)
                continue;
            float wanted = item.base;
            if (growing && factors > 0.0f)
                wanted += remaining * item.grow / factors;
            else if (!growing && scaled_shrink > 0.0f)
                wanted += remaining * item.shrink * item.base / scaled_shrink;
            float clamped = limits.clamp_to_limits(item, wanted, !growing || item.base_from_basis);
            item.violation = clamped - wanted;
            item.target = clamped;
            total_violation += item.violation;
        }
        // Freeze the items clamped in the direction of the total violation (all when none).
        for (FlexItem& item : line) {
            if (item.frozen)
                continue;
            if (total_violation == 0.0f || (total_violation > 0.0f && item.violation > 0.0f) || (total_violation < 0.0f && item.violation < 0.0f))
                item.frozen = true;
        }
    }
}

}
