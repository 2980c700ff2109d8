#pragma once

#include "automerge/ActorId.h"
#include "automerge/ChangeHash.h"
#include "automerge/Error.h"
#include "automerge/storage/OpRef.h"

#include <cstdint>
#include <memory>
#include <string_view>
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

// What the encoder reads of one op; it borrows everything for the call only.
struct ChangeOpView {
    std::optional<OpRef> obj;
    OpKey const* element_key { nullptr }; // set only for a non-map key (parsed records)
    std::string_view key;
    bool insert { false };
    uint64_t action { 0 };
    ScalarValue const* value { nullptr }; // null for a null value
    std::span<const OpRef> pred;
};

// The fields of a change chunk before its op columns; borrowed.
struct ChangeHeader {
    std::span<const ChangeHash> deps;
    std::span<const uint8_t> actor;
    uint64_t seq { 0 };
    uint64_t start_op { 0 };
    int64_t time { 0 };
    std::optional<std::string_view> message;
    std::span<const ActorId> other_actors;
    std::span<const uint8_t> extra;
};

// Builds a change body from ops fed one at a time, copying nothing it does not write.
class ChangeEncoder {
public:
    ChangeEncoder();
    ~ChangeEncoder();
    void add(ChangeOpView const& op);
    std::vector<uint8_t> finish(ChangeHeader const& header);
    // Writes the body into `out` (replacing what it held) and readies the encoder for another
    // change, keeping its buffers.
    void finish_into(ChangeHeader const& header, std::vector<uint8_t>& out);
    // The body of a change holding `op` alone, into `out`, with no op added before. Gives the
    // bytes add() and finish_into() give, written directly where they are simple.
    void encode_single_into(ChangeHeader const& header, ChangeOpView const& op, std::vector<uint8_t>& out);

private:
    struct Columns;
    std::unique_ptr<Columns> m_columns;
};

struct ChangeLimits {
    uint64_t max_ops { 1u << 20 };
};

// The canonical body bytes of a change (what its hash covers, behind type and length).
std::vector<uint8_t> encode_change_body(ChangeRecord const& change);

// Parses a change body. `inflate_budget` bounds inflated column bytes.
ErrorOr<ChangeRecord> parse_change_body(std::span<const uint8_t> body, ChangeLimits const& limits, size_t& inflate_budget);

}
