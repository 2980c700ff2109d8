#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "automerge/ScalarValue.h"

namespace automerge::storage {

// An op id as a chunk writes it: a counter and an index into the chunk's actor table.
struct OpRef {
    uint64_t counter { 0 };
    uint32_t actor { 0 };
    bool operator==(OpRef const&) const = default;
};

// Op actions of the format.
enum class Action : uint8_t {
    MakeMap = 0,
    Set = 1,
    MakeList = 2,
    Delete = 3,
    MakeText = 4,
    Increment = 5,
    MakeTable = 6,
    Mark = 7,
};

// The key of an op: a map key, or (for sequences, which this library refuses) an element id.
struct OpKey {
    std::optional<std::string> map_key;
    std::optional<OpRef> element; // set for list and text keys; counter 0 is the head
    bool is_map() const { return map_key.has_value(); }
};

}
