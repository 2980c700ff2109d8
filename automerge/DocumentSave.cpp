// Document::save: the op store and change history adapted to a document chunk.

#include "automerge/Document.h"

#include "automerge/storage/Chunk.h"
#include "automerge/storage/DocumentChunk.h"
#include "automerge/storage/columns/RawColumns.h"

#include <algorithm>

namespace automerge {

std::vector<uint8_t> Document::save() const
{
    if (auto cached = m_save_cache.get(); cached && cached->change_count == m_changes.size())
        return cached->bytes;
    auto entry = std::make_shared<SaveCache::Entry>();
    entry->change_count = m_changes.size();
    entry->bytes = save_with(storage::deflate_min_size);
    m_save_cache.set(entry);
    return entry->bytes;
}

std::vector<uint8_t> Document::save_uncompressed() const
{
    return save_with(0);
}

std::vector<uint8_t> Document::save_with(size_t deflate_threshold) const
{
    // Ops of an open transaction are not part of any change yet.
    std::optional<OpId> pending_from;
    if (m_transaction && !m_transaction->ops.empty())
        pending_from = m_store.ops()[m_transaction->ops.front().index].id;
    auto is_pending = [&](OpId id) {
        return pending_from && id.actor == pending_from->actor && id.counter >= pending_from->counter;
    };

    // Actors: the authors of changes, sorted by their bytes.
    std::vector<uint32_t> authors;
    {
        std::vector<bool> seen(m_store.actor_count(), false);
        for (auto const& change : m_changes) {
            if (!seen[change.actor]) {
                seen[change.actor] = true;
                authors.push_back(change.actor);
            }
        }
    }
    std::ranges::sort(authors, [&](uint32_t a, uint32_t b) { return m_store.actor(a) < m_store.actor(b); });
    std::vector<uint32_t> doc_index(m_store.actor_count(), 0);
    std::vector<ActorId> actors;
    for (size_t i = 0; i < authors.size(); ++i) {
        doc_index[authors[i]] = static_cast<uint32_t>(i);
        actors.push_back(m_store.actor(authors[i]));
    }

    // The encoder borrows the messages until finish; m_changes outlives it.
    storage::DocumentEncoder encoder;
    for (auto const& change : m_changes) {
        storage::DocChangeView view;
        view.actor = doc_index[change.actor];
        view.seq = change.seq;
        view.max_op = change.max_op;
        view.time = change.time;
        if (change.message)
            view.message = *change.message;
        view.deps = change.deps;
        view.extra = change.extra;
        encoder.add_change(view);
    }
    std::vector<uint64_t> head_indices;
    for (auto const& head : m_heads)
        head_indices.push_back(m_change_index.at(head));

    // Objects: the root first, then by op id.
    std::vector<ObjId> objects;
    objects.reserve(m_store.objects().size());
    for (auto const& [id, object] : m_store.objects()) {
        if (!id.is_root() && is_pending(OpId { id.counter, id.actor }))
            continue;
        objects.push_back(id);
    }
    std::ranges::sort(objects, [&](ObjId a, ObjId b) {
        if (a.is_root() || b.is_root())
            return a.is_root() && !b.is_root();
        return m_store.less(OpId { a.counter, a.actor }, OpId { b.counter, b.actor });
    });

    auto to_ref = [&](OpId id) { return storage::OpRef { id.counter, doc_index[id.actor] }; };
    auto const& ops = m_store.ops();
    std::vector<OpId> succ;
    std::vector<storage::OpRef> succ_refs;
    for (auto obj : objects) {
        auto const& object = *m_store.object(obj);
        for (auto const& [key, at_key] : object.keys) {
            for (auto index : at_key.ops) {
                auto const& op = ops[index];
                if (is_pending(op.id))
                    continue;
                storage::DocOpView view;
                view.id = to_ref(op.id);
                if (!obj.is_root())
                    view.obj = to_ref(OpId { obj.counter, obj.actor });
                view.key = key;
                view.action = static_cast<uint64_t>(op.action);
                view.value = &op.value;
                succ.clear();
                for (auto const& id : op.succ) {
                    if (!is_pending(id))
                        succ.push_back(id);
                }
                if (succ.size() > 1)
                    std::ranges::sort(succ, [&](OpId a, OpId b) { return m_store.less(a, b); });
                succ_refs.clear();
                for (auto const& id : succ)
                    succ_refs.push_back(to_ref(id));
                view.succ = succ_refs;
                encoder.add_op(view);
            }
        }
    }

    auto body = encoder.finish(actors, m_heads, head_indices, deflate_threshold);
    return storage::write_chunk(storage::ChunkType::Document, body);
}

}
