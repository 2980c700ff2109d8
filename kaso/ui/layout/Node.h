#pragma once

#include "kaso/ui/layout/Geometry.h"
#include "kaso/ui/layout/Style.h"
#include "kaso/ui/layout/Tree.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kaso::layout::detail {

// What a node is asked to do: report its size only, or also place its children.
enum class RunMode : uint8_t {
    ComputeSize,
    PerformLayout,
};

// One question put to a node. `known` sizes are border-box sizes the parent has already fixed;
// `parent_size` is the parent's content box, against which percentages resolve.
struct LayoutInput {
    Size<std::optional<float>> known {};
    Size<std::optional<float>> parent_size {};
    Size<AvailableSpace> available {};
    RunMode mode { RunMode::ComputeSize };
    // Size the content as if the node's own width and height were automatic (min and max still
    // apply): the "content size suggestion" of a flex item's automatic minimum.
    bool ignore_own_size { false };

    bool same_question(LayoutInput const& other) const
    {
        return known == other.known && parent_size == other.parent_size && available == other.available
            && ignore_own_size == other.ignore_own_size;
    }
};

// The answer: the border-box size and the content extent (see `Layout`).
struct LayoutOutput {
    Size<float> size {};
    Size<float> content_size {};
};

struct CacheEntry {
    LayoutInput input {};
    LayoutOutput output {};
};

// One call of a leaf's measure function.
struct MeasureEntry {
    Size<std::optional<float>> known {};
    Size<AvailableSpace> available {};
    Size<float> result {};
};

// Remembers a node's recent answers. Size questions keep a few slots, replaced in turn; the
// last full layout keeps one, valid while the children's boxes it placed are untouched.
struct NodeCache {
    static constexpr std::size_t size_slots = 8;
    static constexpr std::size_t measure_slots = 4;

    std::array<CacheEntry, size_slots> sizes {};
    uint8_t size_count { 0 };
    uint8_t next_slot { 0 };
    std::optional<CacheEntry> layout {};
    // A leaf is asked the same content question under different parents' questions (the
    // percentages and offered heights around it vary while its own content box does not), so
    // its measure calls are remembered apart from its answers.
    std::array<MeasureEntry, measure_slots> measures {};
    uint8_t measure_count { 0 };
    uint8_t next_measure { 0 };

    std::optional<Size<float>> find_measure(Size<std::optional<float>> known, Size<AvailableSpace> available) const
    {
        for (std::size_t i = 0; i < measure_count; ++i) {
            if (measures[i].known == known && measures[i].available == available)
                return measures[i].result;
        }
        return std::nullopt;
    }

    void store_measure(Size<std::optional<float>> known, Size<AvailableSpace> available, Size<float> result)
    {
        measures[next_measure] = { known, available, result };
        next_measure = static_cast<uint8_t>((next_measure + 1) % measure_slots);
        if (measure_count < measure_slots)
            ++measure_count;
    }

    std::optional<LayoutOutput> find_size(LayoutInput const& input) const
    {
        for (std::size_t i = 0; i < size_count; ++i) {
            if (sizes[i].input.same_question(input))
                return sizes[i].output;
        }
        return std::nullopt;
    }

    void store_size(LayoutInput const& input, LayoutOutput const& output)
    {
        sizes[next_slot] = { input, output };
        next_slot = static_cast<uint8_t>((next_slot + 1) % size_slots);
        if (size_count < size_slots)
            ++size_count;
    }

    void clear()
    {
        size_count = 0;
        next_slot = 0;
        layout.reset();
        measure_count = 0;
        next_measure = 0;
    }
};

struct Node {
    Style style {};
    std::vector<NodeId> children {};
    NodeId parent {};
    MeasureFunction measure {};

    // Written by the solver: location relative to the parent, border-box size, content extent.
    Layout unrounded {};
    // What `Tree::layout` reports: `unrounded`, snapped to whole pixels when rounding is on.
    Layout final_layout {};

    NodeCache cache {};
    bool dirty { true };
};

}
