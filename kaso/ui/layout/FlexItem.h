#pragma once

#include "kaso/ui/layout/Node.h"
#include "kaso/ui/layout/Resolve.h"

#include <cstddef>
#include <optional>
#include <span>

// The working state of the flexbox algorithm (FlexLayout.cpp) for one item and one line.
namespace kaso::layout::detail {

struct FlexItem {
    NodeId id {};
    ResolvedBox box {}; // against the container's content box
    float grow { 0.0f };
    float shrink { 0.0f };
    AlignItems align { AlignItems::Stretch };
    bool clips_main { false };
    std::optional<float> cross_known {}; // its own definite cross size, or the stretched one
    float base { 0.0f };
    // The base came from flex-basis itself, not from the main size or the content: only then
    // can the automatic minimum exceed it.
    bool base_from_basis { false };
    // The cross size the content reported while the base was measured: the item's cross size
    // again whenever it keeps its base as its main size, so it need not be measured twice.
    std::optional<float> base_cross {};
    std::optional<float> automatic_min {};
    float hypothetical { 0.0f };
    float target { 0.0f };
    bool frozen { false };
    float violation { 0.0f };
    float cross { 0.0f };
    float main_offset { 0.0f };
    float cross_offset { 0.0f };
};

struct FlexLine {
    std::size_t begin { 0 };
    std::size_t end { 0 };
    float cross { 0.0f };
};

// The clamp that resolving flexible lengths applies to each item: its maximum and minimum main
// sizes. `content_min_needed` says whether the automatic minimum could bind (see FlexLayout.cpp).
class FlexLimits {
public:
    virtual float clamp_to_limits(FlexItem&, float value, bool content_min_needed) = 0;

protected:
    ~FlexLimits() = default;
};

// CSS 9.7, for the items of one line: grows or shrinks their base sizes to fill `space` (the
// line's main space less its gaps), freezing the items that hit their limits and sharing the
// rest again until every item is frozen. Sets each item's `target`.
void resolve_flexible_lengths(std::span<FlexItem> line, float space, FlexLimits&);

}
