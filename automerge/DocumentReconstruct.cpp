// Loading a document chunk: its ops go straight into the op store, and its changes are rebuilt
// from the ops (a delete exists only as a successor id, so delete ops are synthesized) and
// encoded canonically. The rebuilt changes must hash to the heads the chunk stores.

#include "automerge/Document.h"

#include "automerge/storage/Change.h"
#include "automerge/storage/Chunk.h"
#include "automerge/storage/DocumentChunk.h"

#include <algorithm>
#include <unordered_map>

namespace automerge {

namespace {

// An op of a rebuilt change, a stored op or a synthesized delete, with what its encoding reads
// copied out of the op store: the changes take their ops in counter order, which is far from the
// store's order, and chasing each field there costs a cache miss.
struct ChangeSlot {
    uint64_t counter;
    ObjId obj;
    std::string_view key;
    ScalarValue const* value; // nothing for a delete
    std::vector<OpId>* pred;
    OpAction action;
};

// Puts one actor's slots in counter order. Where its counters are dense (changes following each
// other) each slot goes straight to its counter's place; sparse counters are sorted. Two ops
// with one id are refused.
ErrorOr<void> order_by_counter(std::vector<ChangeSlot>& slots, std::vector<uint32_t>& places, std::vector<ChangeSlot>& ordered)
{
    if (slots.size() < 2)
        return {};
    auto [low, high] = std::ranges::minmax(slots, {}, &ChangeSlot::counter);
    uint64_t low_counter = low.counter;
    uint64_t range = high.counter - low_counter;
    if (range >= 2 * slots.size() + 64) {
        std::ranges::sort(slots, {}, &ChangeSlot::counter);
        for (size_t k = 1; k < slots.size(); ++k) {
            if (slots[k].counter == slots[k - 1].counter)
                return make_error(ErrorCode::Corrupt, "document: two ops with one id");
        }
        return {};
    }
    constexpr uint32_t empty = UINT32_MAX;
    places.assign(static_cast<size_t>(range) + 1, empty);
    for (uint32_t k = 0; k < slots.size(); ++k) {
        auto& place = places[static_cast<size_t>(slots[k].counter - low_counter)];
        if (place != empty)
            return make_error(ErrorCode::Corrupt, "document: two ops with one id");
        place = k;
    }
    ordered.clear();
    ordered.reserve(slots.size());
    for (auto place : places) {
        if (place != empty)
            ordered.push_back(slots[place]);
    }
    slots.swap(ordered);
    return {};
}

struct SynthesizedDelete {
    OpId id;
    ObjId obj;
    uint32_t key;
    std::vector<OpId> pred;
};

}

// Loads into a document that holds no changes yet (a new one, or one whose first chunk this is).
ErrorOr<void> Document::load_document_chunk(std::span<const uint8_t> body, LoadOptions const& options, size_t& budget)
{
    if (!m_changes.empty())
        return make_error(ErrorCode::InvalidArgument, "document: a document chunk loads only into a document without changes");
    storage::DocumentLimits limits { options.max_ops, options.max_changes };

    // An op as loaded: its index in the store and its successors, kept flat.
    struct LoadedOp {
        uint32_t index;
        uint32_t succ_begin;
        uint32_t succ_count;
    };

    // Ops go into the store as the columns are decoded.
    class StoreSink final : public storage::DocOpSink {
    public:
        explicit StoreSink(Document& document)
            : m_document(document)
        {
        }

        ErrorOr<void> begin(storage::DocumentRecord const& record, uint64_t op_count) override
        {
            actor_map.reserve(record.actors.size());
            for (auto const& actor : record.actors)
                actor_map.push_back(m_document.m_store.ensure_actor(actor));
            loaded.reserve(static_cast<size_t>(op_count));
            m_document.m_store.reserve(static_cast<size_t>(op_count));
            return {};
        }

        ErrorOr<void> op(storage::DocOp& op, std::span<const storage::OpRef> successors) override
        {
            auto& store = m_document.m_store;
            if (op.action == static_cast<uint64_t>(storage::Action::Delete))
                return make_error(ErrorCode::Corrupt, "document: a delete op is stored");
            auto action = TRY(check_op_shape(op.action, op.map_key.has_value(), op.insert));
            // The value would be dropped here and not be part of the rebuilt change that the
            // heads vouch for.
            if (action == OpAction::MakeMap && !op.value.is_null())
                return make_error(ErrorCode::Corrupt, "document: a make-map op carrying a value");
            ObjId obj = op.obj ? ObjId { op.obj->counter, actor_map[op.obj->actor] } : ROOT;
            auto const* object = store.object(obj);
            if (!object)
                return make_error(ErrorCode::Corrupt, "document: op on an unknown object");
            if (action == OpAction::MakeMap && object->depth + 1 > m_document.m_max_depth)
                return make_error(ErrorCode::TooLarge, "document: maps nested deeper than " + std::to_string(m_document.m_max_depth) + " levels");
            // Duplicate ids are caught later: each change's ops must have consecutive counters.
            OpId id { op.id.counter, actor_map[op.id.actor] };
            if (action == OpAction::Increment && !op.value.as_int() && !op.value.as_uint())
                return make_error(ErrorCode::Corrupt, "document: increment without a number");
            auto index = store.insert(id, obj, *op.map_key, action, std::move(op.value));
            loaded.push_back(LoadedOp { index, static_cast<uint32_t>(succ.size()), static_cast<uint32_t>(successors.size()) });
            succ.insert(succ.end(), successors.begin(), successors.end());
            return {};
        }

        std::vector<uint32_t> actor_map;
        std::vector<LoadedOp> loaded;
        std::vector<storage::OpRef> succ;

    private:
        Document& m_document;
    };

    // Nothing of a failed load survives, so there is nothing to undo.
    m_store.set_undo_logging(false);
    struct LoggingBack {
        OpStore& store;
        ~LoggingBack() { store.set_undo_logging(true); }
    } logging_back { m_store };

    StoreSink sink(*this);
    auto record = TRY(storage::parse_document_body(body, limits, budget, sink));
    auto const& actor_map = sink.actor_map;
    auto to_id = [&](storage::OpRef ref) { return OpId { ref.counter, actor_map[ref.actor] }; };

    // Successors, preds and synthesized deletes.
    auto const& ops = m_store.ops();
    auto less_id = [&](OpId a, OpId b) { return m_store.less(a, b); };
    // Most ops have no preds; those that do are few next to all the ops.
    std::unordered_map<uint32_t, std::vector<OpId>> preds;
    std::vector<SynthesizedDelete> deletes;
    std::unordered_map<OpId, uint32_t, OpIdHasher> delete_index;
    for (auto const& loaded : sink.loaded) {
        uint32_t index = loaded.index;
        // A successor is a later op at the same key, or else a delete (which is not stored).
        auto const& at_key = m_store.ops_at_slot(ops[index].key);
        for (uint32_t s = 0; s < loaded.succ_count; ++s) {
            auto succ = to_id(sink.succ[loaded.succ_begin + s]);
            auto position = std::ranges::lower_bound(at_key, succ, less_id, [&](uint32_t at) { return ops[at].id; });
            std::optional<uint32_t> found;
            if (position != at_key.end() && ops[*position].id == succ)
                found = *position;
            if (found) {
                auto const& succ_op = ops[*found];
                int64_t increment = 0;
                if (succ_op.action == OpAction::Increment)
                    increment = succ_op.value.as_int() ? *succ_op.value.as_int() : static_cast<int64_t>(*succ_op.value.as_uint());
                m_store.add_successor(index, succ, succ_op.action, increment);
                preds[*found].push_back(ops[index].id);
            } else {
                m_store.add_successor(index, succ, OpAction::Delete);
                auto [it, inserted] = delete_index.emplace(succ, static_cast<uint32_t>(deletes.size()));
                if (inserted)
                    deletes.push_back(SynthesizedDelete { succ, ops[index].obj, ops[index].key, {} });
                auto& deleted = deletes[it->second];
                if (!(deleted.obj == ops[index].obj) || deleted.key != ops[index].key)
                    return make_error(ErrorCode::Corrupt, "document: a delete of ops at different keys");
                deleted.pred.push_back(ops[index].id);
            }
        }
    }
    m_store.clear_undo();

    // Ops of each actor in counter order.
    std::vector<std::vector<ChangeSlot>> by_actor(m_store.actor_count());
    {
        std::vector<size_t> counts(m_store.actor_count(), 0);
        for (auto const& op : ops)
            ++counts[op.id.actor];
        for (auto const& deleted : deletes)
            ++counts[deleted.id.actor];
        for (size_t actor = 0; actor < counts.size(); ++actor)
            by_actor[actor].reserve(counts[actor]);
    }
    std::vector<OpId> no_preds;
    for (uint32_t index = 0; index < ops.size(); ++index) {
        auto const& op = ops[index];
        auto pred = preds.find(index);
        by_actor[op.id.actor].push_back(ChangeSlot { .counter = op.id.counter,
            .obj = op.obj,
            .key = m_store.key(op.key),
            .value = &op.value,
            .pred = pred == preds.end() ? &no_preds : &pred->second,
            .action = op.action });
    }
    for (auto& deleted : deletes)
        by_actor[deleted.id.actor].push_back(ChangeSlot {
            .counter = deleted.id.counter, .obj = deleted.obj, .key = m_store.key(deleted.key), .value = nullptr, .pred = &deleted.pred, .action = OpAction::Delete });
    {
        std::vector<uint32_t> places;
        std::vector<ChangeSlot> ordered;
        for (auto& slots : by_actor)
            TRY(order_by_counter(slots, places, ordered));
    }
    std::vector<size_t> cursor(m_store.actor_count(), 0);
    std::vector<uint64_t> last_seq(m_store.actor_count(), 0);
    uint64_t max_op = 0;

    auto less = [&](OpId a, OpId b) { return m_store.less(a, b); };
    std::vector<ChangeHash> hashes;
    hashes.reserve(record.changes.size());
    std::vector<bool> has_dependents(record.changes.size(), false);
    m_changes.reserve(m_changes.size() + record.changes.size());
    m_change_index.reserve(m_change_index.size() + record.changes.size());
    std::vector<ChangeHash> dep_hashes;
    std::vector<ActorId> other_actors;
    std::vector<storage::OpRef> pred_refs;
    storage::ChangeEncoder encoder;
    std::vector<uint8_t> change_body;
    for (size_t c = 0; c < record.changes.size(); ++c) {
        // Its deps, message and extra bytes move into the change entry.
        auto& doc_change = record.changes[c];
        uint32_t author = actor_map[doc_change.actor];
        if (doc_change.seq != last_seq[author] + 1)
            return make_error(ErrorCode::Corrupt, "document: change sequence numbers out of order");
        last_seq[author] = doc_change.seq;

        auto& slots = by_actor[author];
        size_t begin = cursor[author];
        size_t end = begin;
        while (end < slots.size() && slots[end].counter <= doc_change.max_op)
            ++end;
        cursor[author] = end;
        uint64_t count = end - begin;
        if (count > doc_change.max_op)
            return make_error(ErrorCode::Corrupt, "document: change max op below its op count");
        uint64_t start_op = doc_change.max_op - count + 1;
        for (size_t k = begin; k < end; ++k) {
            if (slots[k].counter != start_op + (k - begin))
                return make_error(ErrorCode::Corrupt, "document: ops of a change are not contiguous");
        }

        dep_hashes.clear();
        for (auto dep : doc_change.deps) {
            if (dep >= c)
                return make_error(ErrorCode::Corrupt, "document: change depends on a change not before it");
            dep_hashes.push_back(hashes[dep]);
            has_dependents[dep] = true;
        }

        // Other actors: those the ops reference, sorted by bytes.
        std::vector<uint32_t> others;
        auto note = [&](uint32_t actor) {
            if (actor != author && std::ranges::find(others, actor) == others.end())
                others.push_back(actor);
        };
        for (size_t k = begin; k < end; ++k) {
            auto const& slot = slots[k];
            if (!slot.obj.is_root())
                note(slot.obj.actor);
            for (auto const& id : *slot.pred)
                note(id.actor);
        }
        std::ranges::sort(others, [&](uint32_t a, uint32_t b) { return m_store.actor(a) < m_store.actor(b); });
        other_actors.clear();
        for (auto actor : others)
            other_actors.push_back(m_store.actor(actor));
        auto local = [&](uint32_t actor) -> uint32_t {
            if (actor == author)
                return 0;
            return static_cast<uint32_t>(std::ranges::find(others, actor) - others.begin()) + 1;
        };

        std::optional<storage::ChangeOpView> single_op;
        for (size_t k = begin; k < end; ++k) {
            auto const& slot = slots[k];
            storage::ChangeOpView op;
            op.key = slot.key;
            op.action = static_cast<uint64_t>(slot.action);
            op.value = slot.value;
            if (!slot.obj.is_root())
                op.obj = storage::OpRef { slot.obj.counter, local(slot.obj.actor) };
            auto* pred = slot.pred;
            if (pred->size() > 1)
                std::ranges::sort(*pred, less);
            pred_refs.clear();
            for (auto const& id : *pred)
                pred_refs.push_back(storage::OpRef { id.counter, local(id.actor) });
            op.pred = pred_refs;
            if (count == 1)
                single_op = op;
            else
                encoder.add(op);
        }
        std::optional<std::string> message = std::move(doc_change.message);
        if (message && message->empty())
            message.reset();
        storage::ChangeHeader header;
        header.deps = dep_hashes;
        header.actor = m_store.actor(author).bytes();
        header.seq = doc_change.seq;
        header.start_op = start_op;
        header.time = doc_change.time;
        if (message)
            header.message = *message;
        header.other_actors = other_actors;
        header.extra = doc_change.extra;
        if (single_op)
            encoder.encode_single_into(header, *single_op, change_body);
        else
            encoder.finish_into(header, change_body);
        ChangeHash hash;
        auto bytes = storage::write_chunk(storage::ChunkType::Change, change_body, &hash);
        hashes.push_back(hash);

        ChangeEntry entry;
        entry.hash = hash;
        entry.actor = author;
        entry.seq = doc_change.seq;
        entry.start_op = start_op;
        entry.max_op = doc_change.max_op;
        entry.time = doc_change.time;
        entry.message = std::move(message);
        entry.deps = std::move(doc_change.deps);
        entry.extra = std::move(doc_change.extra);
        entry.bytes = std::move(bytes);
        // Straight into the document: a load whose heads do not match discards it whole. The
        // heads, last sequence numbers and max op are set once all changes are in.
        max_op = std::max(max_op, entry.max_op);
        m_change_index.emplace(entry.hash, static_cast<uint32_t>(m_changes.size()));
        m_changes.push_back(std::move(entry));
    }
    for (size_t actor = 0; actor < by_actor.size(); ++actor) {
        if (cursor[actor] != by_actor[actor].size())
            return make_error(ErrorCode::Corrupt, "document: ops that belong to no change");
    }

    std::vector<ChangeHash> heads;
    for (size_t c = 0; c < hashes.size(); ++c) {
        if (!has_dependents[c])
            heads.push_back(hashes[c]);
    }
    std::ranges::sort(heads);
    auto stored_heads = record.heads;
    std::ranges::sort(stored_heads);
    if (heads != stored_heads)
        return make_error(ErrorCode::MismatchingHeads, "document: mismatching heads");
    m_heads = std::move(heads);
    for (uint32_t actor = 0; actor < last_seq.size(); ++actor) {
        if (last_seq[actor] != 0)
            m_last_seq[actor] = last_seq[actor];
    }
    m_max_op = max_op;

    return {};
}

}
