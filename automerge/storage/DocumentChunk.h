#pragma once

#include "automerge/ActorId.h"
#include "automerge/ChangeHash.h"
#include "automerge/Error.h"
#include "automerge/storage/OpRef.h"
#include "automerge/storage/columns/RawColumns.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace automerge::storage {

// The metadata of one change in a document chunk; its ops live in the op columns.
struct DocChange {
    uint32_t actor { 0 }; // index into the document's actors
    uint64_t seq { 0 };
    uint64_t max_op { 0 };
    int64_t time { 0 };
    std::optional<std::string> message;
    std::vector<uint32_t> deps; // indices of earlier changes
    std::vector<uint8_t> extra;
};

// One op of a document chunk. Deletes are not stored: a delete is only a successor id.
struct DocOp {
    OpRef id;
    std::optional<OpRef> obj;                 // nothing for the root
    std::optional<std::string_view> map_key;  // into the record's column data
    std::optional<OpRef> element;             // set for list and text keys instead
    bool insert { false };
    uint64_t action { 0 };
    ScalarValue value;
    uint32_t succ_begin { 0 }; // this op's successors: succ[succ_begin, succ_begin + succ_count)
    uint32_t succ_count { 0 };
};

// A document chunk's body:
//
//   actors (count, (length, bytes)...) sorted | heads (count, 32-byte hashes) sorted |
//   change column headers | op column headers | change column data | op column data |
//   head indices (one uLEB per head: its change's index)
//
// Ops are ordered by object (root first, then by op id), then by key (UTF-8 bytes), then by op
// id; changes in the order they were applied. Actor indices refer to the sorted actor list.
struct DocumentRecord {
    std::vector<ActorId> actors;
    std::vector<ChangeHash> heads;
    std::vector<DocChange> changes;
    std::vector<DocOp> ops;
    std::vector<OpRef> succ;
    std::vector<uint64_t> head_indices;
    // The inflated op columns that map keys point into (the others point into the parsed body).
    RawColumns op_columns;

    std::span<const OpRef> successors(DocOp const& op) const { return std::span(succ).subspan(op.succ_begin, op.succ_count); }
};

struct DocumentLimits {
    uint64_t max_ops { 1u << 20 };
    uint64_t max_changes { 1u << 20 };
};

// What the encoder reads of one change of a document; it borrows the message until finish()
// and the rest for the call only.
struct DocChangeView {
    uint32_t actor { 0 };
    uint64_t seq { 0 };
    uint64_t max_op { 0 };
    int64_t time { 0 };
    std::optional<std::string_view> message;
    std::span<const uint32_t> deps;
    std::span<const uint8_t> extra;
};

// What the encoder reads of one op of a document; borrowed for the call only.
struct DocOpView {
    OpRef id;
    std::optional<OpRef> obj;
    std::string_view key;
    uint64_t action { 0 };
    ScalarValue const* value { nullptr };
    std::span<const OpRef> succ;
};

// Builds a document body from changes and ops fed in document order (map keys only).
class DocumentEncoder {
public:
    DocumentEncoder();
    ~DocumentEncoder();
    void add_change(DocChangeView const& change);
    void add_op(DocOpView const& op);
    // Columns of at least `deflate_threshold` bytes are raw-deflated; 0 turns deflate off.
    std::vector<uint8_t> finish(std::span<const ActorId> actors, std::span<const ChangeHash> heads, std::span<const uint64_t> head_indices, size_t deflate_threshold);

private:
    struct Columns;
    std::unique_ptr<Columns> m_columns;
};

std::vector<uint8_t> encode_document_body(DocumentRecord const& document, size_t deflate_threshold);

ErrorOr<DocumentRecord> parse_document_body(std::span<const uint8_t> body, DocumentLimits const& limits, size_t& inflate_budget);

// Takes a document body's ops one at a time as they are decoded, so that a load keeps no second
// copy of them. `begin` comes first, with the record parsed so far (actors, heads, changes) and
// how many ops the action column holds (at most the limit; for reserving room). Each op's map
// key borrows the record's column data; its value may be moved out.
class DocOpSink {
public:
    virtual ~DocOpSink() = default;
    virtual ErrorOr<void> begin(DocumentRecord const& record, uint64_t op_count) = 0;
    virtual ErrorOr<void> op(DocOp& op, std::span<const OpRef> successors) = 0;
};

// The same parse handing the ops to `sink` instead: the record's ops and succ stay empty.
ErrorOr<DocumentRecord> parse_document_body(std::span<const uint8_t> body, DocumentLimits const& limits, size_t& inflate_budget, DocOpSink& sink);

}
