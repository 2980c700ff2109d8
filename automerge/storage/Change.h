#pragma once

#include "automerge/ActorId.h"
#include "automerge/ChangeHash.h"
#include "automerge/Error.h"
#include "automerge/storage/OpRef.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace automerge::storage {

// One op of a change chunk. Its id is implicit: the change's start op plus its index, with the
// change's own actor. Actor indices: 0 is the change's actor, 1.. its other actors.
struct ChangeOp {
    std::optional<OpRef> obj; // nothing for the root
    OpKey key;
    bool insert { false };
    uint64_t action { 0 };
    ScalarValue value;
    std::vector<OpRef> pred; // ascending by (counter, actor bytes)
};

// A change chunk's body:
//
//   deps (count, 32-byte hashes) | actor (length, bytes) | seq | start op | time (sLEB) |
//   message (length, UTF-8; 0 for none) | other actors (count, (length, bytes)...) |
//   op columns | extra bytes to the end
struct ChangeRecord {
    std::vector<ChangeHash> deps;
    ActorId actor;
    uint64_t seq { 0 };
    uint64_t start_op { 0 };
    int64_t time { 0 };
    std::optional<std::string> message;
    std::vector<ActorId> other_actors; // sorted by bytes
    std::vector<ChangeOp> ops;
    std::vector<uint8_t> extra;

    uint64_t max_op() const { return start_op + ops.size() - 1; }
};

struct ChangeLimits {
    uint64_t max_ops { 1u << 20 };
};

// The canonical body bytes of a change (what its hash covers, behind type and length).
std::vector<uint8_t> encode_change_body(ChangeRecord const& change);

// Parses a change body. `inflate_budget` bounds inflated column bytes.
ErrorOr<ChangeRecord> parse_change_body(std::span<const uint8_t> body, ChangeLimits const& limits, size_t& inflate_budget);

}
