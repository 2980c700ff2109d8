// Document::load, apply_changes and merge: chunks turned into changes and ops, and the
// reconstruction of a document chunk's changes so that their hashes can be checked against the
// stored heads.

#include "automerge/Document.h"

#include "automerge/storage/Change.h"
#include "automerge/storage/Chunk.h"
#include "automerge/storage/Compression.h"
#include "automerge/storage/DocumentChunk.h"

#include <algorithm>
#include <unordered_set>

namespace automerge {

namespace {

struct PendingChange {
    storage::ChangeRecord record;
    ChangeHash hash;
    std::vector<uint8_t> bytes;
};

Unexpected unsupported_action(uint64_t action)
{
    switch (static_cast<storage::Action>(action)) {
    case storage::Action::MakeList:
        return make_error(ErrorCode::Unsupported, "unsupported document: it holds list objects");
    case storage::Action::MakeText:
        return make_error(ErrorCode::Unsupported, "unsupported document: it holds text objects");
    case storage::Action::MakeTable:
        return make_error(ErrorCode::Unsupported, "unsupported document: it holds table objects");
    case storage::Action::Mark:
        return make_error(ErrorCode::Unsupported, "unsupported document: it holds marks");
    default:
        return make_error(ErrorCode::Corrupt, "document: unknown op action " + std::to_string(action));
    }
}

// A change is kept only when its bytes are the canonical encoding of what it holds: a document
// chunk stores changes as ops and rebuilds them canonically, so a change in any other form would
// no longer match its hash once saved, and the saved file would not load (here or in the
// reference). Everything the reference writes is canonical.
ErrorOr<void> check_canonical(storage::ChangeRecord const& record, std::span<const uint8_t> body)
{
    auto canonical = storage::encode_change_body(record);
    if (!std::ranges::equal(canonical, body))
        return make_error(ErrorCode::Corrupt, "change: not in canonical form");
    return {};
}

ErrorOr<int64_t> increment_of(ScalarValue const& value)
{
    if (auto number = value.as_int())
        return *number;
    if (auto number = value.as_uint())
        return static_cast<int64_t>(*number);
    return make_error(ErrorCode::Corrupt, "change: increment without a number");
}

}

ErrorOr<OpAction> Document::check_op_shape(uint64_t action, bool map_key, bool insert)
{
    if (action != 0 && action != 1 && action != 3 && action != 5)
        return unsupported_action(action);
    if (insert || !map_key)
        return make_error(ErrorCode::Unsupported, "unsupported document: it holds list or text elements");
    return static_cast<OpAction>(action);
}

ErrorOr<Document> Document::load(std::span<const uint8_t> bytes, LoadOptions const& options)
{
    Document document(options.actor ? *options.actor : ActorId::random());
    document.m_max_depth = options.max_depth;
    size_t budget = options.max_inflated_bytes;
    TRY(document.apply_chunks(bytes, options, budget, AllowFastDocument::Yes));
    return document;
}

ErrorOr<void> Document::apply_changes(std::span<const uint8_t> bytes)
{
    if (m_transaction)
        return make_error(ErrorCode::InvalidArgument, "document: cannot apply changes inside a transaction");
    LoadOptions options;
    options.max_depth = m_max_depth;
    size_t budget = options.max_inflated_bytes;
    Document copy = *this;
    TRY(copy.apply_chunks(bytes, options, budget, copy.m_changes.empty() ? AllowFastDocument::Yes : AllowFastDocument::No));
    *this = std::move(copy);
    return {};
}

ErrorOr<void> Document::merge(Document const& other)
{
    if (m_transaction)
        return make_error(ErrorCode::InvalidArgument, "document: cannot merge inside a transaction");
    std::vector<uint8_t> bytes;
    for (auto const& change : other.m_changes) {
        if (!m_change_index.contains(change.hash))
            bytes.insert(bytes.end(), change.bytes.begin(), change.bytes.end());
    }
    if (bytes.empty())
        return {};
    return apply_changes(bytes);
}

ErrorOr<void> Document::apply_chunks(std::span<const uint8_t> bytes, LoadOptions const& options, size_t& budget, AllowFastDocument allow_fast_document)
{
    storage::ChangeLimits change_limits { options.max_ops };
    std::vector<PendingChange> pending;
    size_t offset = 0;
    bool first = true;
    while (offset < bytes.size()) {
        auto chunk = TRY(storage::parse_chunk(bytes.subspan(offset)));
        offset += chunk.size;
        switch (chunk.type) {
        case storage::ChunkType::Document:
            if (first && allow_fast_document == AllowFastDocument::Yes) {
                TRY(load_document_chunk(chunk.body, options, budget));
            } else {
                Document other(m_actor);
                other.m_max_depth = m_max_depth;
                TRY(other.load_document_chunk(chunk.body, options, budget));
                for (auto& change : other.m_changes) {
                    auto inner = TRY(storage::parse_chunk(change.bytes));
                    auto record = TRY(storage::parse_change_body(inner.body, change_limits, budget));
                    pending.push_back(PendingChange { std::move(record), change.hash, std::move(change.bytes) });
                }
            }
            break;
        case storage::ChunkType::Change: {
            auto record = TRY(storage::parse_change_body(chunk.body, change_limits, budget));
            TRY(check_canonical(record, chunk.body));
            pending.push_back(PendingChange { std::move(record), chunk.hash, std::vector<uint8_t>(bytes.begin() + (offset - chunk.size), bytes.begin() + offset) });
            break;
        }
        case storage::ChunkType::CompressedChange: {
            auto body = TRY(storage::inflate_raw(chunk.body, budget, "compressed change"));
            auto hash = storage::chunk_hash(storage::ChunkType::Change, body);
            if (!std::equal(chunk.checksum.begin(), chunk.checksum.end(), hash.bytes.begin()))
                return make_error(ErrorCode::Corrupt, "chunk: wrong checksum");
            auto record = TRY(storage::parse_change_body(body, change_limits, budget));
            TRY(check_canonical(record, body));
            pending.push_back(PendingChange { std::move(record), hash, storage::write_chunk(storage::ChunkType::Change, body) });
            break;
        }
        }
        first = false;
        if (m_changes.size() + pending.size() > options.max_changes)
            return make_error(ErrorCode::TooLarge, "document: more changes than the limit of " + std::to_string(options.max_changes));
    }

    // Apply in dependency order; a change whose dependencies are missing waits for a later pass.
    while (!pending.empty()) {
        bool progress = false;
        std::vector<PendingChange> waiting;
        for (auto& change : pending) {
            if (m_change_index.contains(change.hash)) {
                progress = true;
                continue;
            }
            bool ready = std::ranges::all_of(change.record.deps, [&](ChangeHash const& dep) { return m_change_index.contains(dep); });
            if (!ready) {
                waiting.push_back(std::move(change));
                continue;
            }
            TRY(apply_change(change.record, change.hash, std::move(change.bytes), m_max_depth));
            progress = true;
        }
        if (!progress)
            return make_error(ErrorCode::MissingDependency, "document: changes with missing dependencies");
        pending = std::move(waiting);
    }
    m_store.clear_undo();
    return {};
}

ErrorOr<void> Document::apply_change(storage::ChangeRecord const& change, ChangeHash const& hash, std::vector<uint8_t> bytes, uint32_t max_depth)
{
    uint32_t author = m_store.ensure_actor(change.actor);
    if (change.seq != next_seq(author))
        return make_error(ErrorCode::Corrupt, "change: sequence number " + std::to_string(change.seq) + " out of order for its actor");
    std::vector<uint32_t> actors { author };
    for (auto const& other : change.other_actors)
        actors.push_back(m_store.ensure_actor(other));
    auto to_id = [&](storage::OpRef ref) { return OpId { ref.counter, actors[ref.actor] }; };

    size_t mark = m_store.mark();
    auto fail = [&](ErrorCode code, std::string message) {
        m_store.rollback_to(mark);
        return make_error(code, std::move(message));
    };
    for (size_t i = 0; i < change.ops.size(); ++i) {
        auto const& op = change.ops[i];
        OpId id { change.start_op + i, author };
        auto action = check_op_shape(op.action, op.key.is_map(), op.insert);
        if (!action) {
            m_store.rollback_to(mark);
            return Unexpected(action.error());
        }
        // A saved document would drop the value, and its rebuilt change would not match this one.
        if (*action == OpAction::MakeMap && !op.value.is_null())
            return fail(ErrorCode::Corrupt, "change: a make-map op carrying a value");
        ObjId obj = op.obj ? ObjId { op.obj->counter, actors[op.obj->actor] } : ROOT;
        auto const* object = m_store.object(obj);
        if (!object)
            return fail(ErrorCode::Corrupt, "change: op on an unknown object");
        if (*action == OpAction::MakeMap && object->depth + 1 > max_depth)
            return fail(ErrorCode::TooLarge, "document: maps nested deeper than " + std::to_string(max_depth) + " levels");
        if (m_store.find(id))
            return fail(ErrorCode::Corrupt, "change: duplicate op id");
        std::vector<uint32_t> preds;
        for (auto const& pred : op.pred) {
            auto index = m_store.find_index(to_id(pred));
            if (!index)
                return fail(ErrorCode::Corrupt, "change: pred of an unknown op");
            auto const& pred_op = m_store.ops()[*index];
            if (!(pred_op.obj == obj) || m_store.key(pred_op.key) != *op.key.map_key)
                return fail(ErrorCode::Corrupt, "change: pred of an op at another key");
            preds.push_back(*index);
        }
        int64_t increment = 0;
        if (*action == OpAction::Increment) {
            auto value = increment_of(op.value);
            if (!value)
                return fail(value.error().code, value.error().message);
            increment = *value;
        }
        if (*action != OpAction::Delete)
            m_store.insert(id, obj, *op.key.map_key, *action, op.value);
        for (auto index : preds)
            m_store.add_successor(index, id, *action, increment);
    }

    ChangeEntry entry;
    entry.hash = hash;
    entry.actor = author;
    entry.seq = change.seq;
    entry.start_op = change.start_op;
    entry.max_op = change.ops.empty() ? change.start_op - 1 : change.max_op();
    entry.time = change.time;
    entry.message = change.message;
    for (auto const& dep : change.deps)
        entry.deps.push_back(m_change_index.at(dep));
    entry.extra = change.extra;
    entry.bytes = std::move(bytes);
    record_change(std::move(entry));
    return {};
}

}
