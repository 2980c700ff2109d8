#include "automerge/Document.h"

#include "automerge/storage/Change.h"
#include "automerge/storage/Chunk.h"
#include "automerge/storage/Reader.h"

#include <algorithm>
#include <ctime>

namespace automerge {

Document::Document()
    : Document(ActorId::random())
{
}

Document::Document(ActorId actor)
    : m_actor(std::move(actor))
{
}

ErrorOr<void> Document::set_actor_id(ActorId actor)
{
    if (m_transaction)
        return make_error(ErrorCode::InvalidArgument, "document: cannot change the actor inside a transaction");
    m_actor = std::move(actor);
    return {};
}

ErrorOr<OpStore::MapObject const*> Document::map_object(ObjId obj) const
{
    auto const* object = m_store.object(obj);
    if (!object)
        return make_error(ErrorCode::InvalidArgument, "document: unknown object");
    return object;
}

ErrorOr<std::optional<Value>> Document::get(ObjId obj, std::string_view key) const
{
    auto const* object = TRY(map_object(obj));
    auto it = object->keys.find(key);
    if (it == object->keys.end())
        return std::optional<Value> {};
    auto const& ops = m_store.ops();
    for (auto index = it->second.ops.rbegin(); index != it->second.ops.rend(); ++index) {
        if (ops[*index].visible())
            return std::optional<Value> { m_store.value_of(ops[*index]) };
    }
    return std::optional<Value> {};
}

ErrorOr<std::vector<Value>> Document::get_all(ObjId obj, std::string_view key) const
{
    auto const* object = TRY(map_object(obj));
    std::vector<Value> values;
    m_store.visible_at(*object, key, values);
    return values;
}

ErrorOr<std::vector<std::string>> Document::keys(ObjId obj) const
{
    auto const* object = TRY(map_object(obj));
    std::vector<std::string> keys;
    auto const& ops = m_store.ops();
    for (auto const& [key, at_key] : object->keys) {
        if (std::ranges::any_of(at_key.ops, [&](uint32_t index) { return ops[index].visible(); }))
            keys.push_back(key);
    }
    return keys;
}

ErrorOr<ObjType> Document::object_type(ObjId obj) const
{
    (void)TRY(map_object(obj));
    return ObjType::Map;
}

ErrorOr<void> Document::begin()
{
    if (m_transaction)
        return make_error(ErrorCode::InvalidArgument, "document: a transaction is already open");
    m_store.ensure_actor(m_actor);
    m_transaction = Transaction { m_store.mark(), m_max_op + 1, {} };
    return {};
}

ErrorOr<OpId> Document::write_op(ObjId obj, std::string_view key, OpAction action, ScalarValue value, std::span<const uint32_t> visible)
{
    bool auto_commit = !m_transaction;
    if (auto_commit)
        TRY(begin());
    auto& transaction = *m_transaction;
    OpId id { transaction.start_op + transaction.ops.size(), m_store.ensure_actor(m_actor) };
    std::vector<OpId> pred;
    pred.reserve(visible.size());
    for (auto index : visible)
        pred.push_back(m_store.ops()[index].id);
    auto index = m_store.insert(id, obj, key, action, std::move(value));
    for (auto pred_index : visible)
        m_store.add_successor(pred_index, id, action);
    transaction.ops.push_back(PendingOp { index, std::move(pred) });
    if (auto_commit)
        commit();
    return id;
}

namespace {

bool is_utf8(std::string_view text) { return storage::is_valid_utf8(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size())); }

// A key or a string that is not UTF-8 would be saved, and the saved file then refused at load:
// it is refused here instead, before anything is written.
ErrorOr<void> check_utf8_key(std::string_view key)
{
    if (!is_utf8(key))
        return make_error(ErrorCode::InvalidArgument, "document: a key is not valid UTF-8");
    return {};
}

}

ErrorOr<void> Document::put(ObjId obj, std::string_view key, ScalarValue value)
{
    TRY(check_utf8_key(key));
    if (auto const* text = value.as_str(); text && !is_utf8(*text))
        return make_error(ErrorCode::InvalidArgument, "document: a string value is not valid UTF-8");
    auto const* object = TRY(map_object(obj));
    std::vector<uint32_t> visible;
    m_store.visible_ops_at(*object, key, visible);
    if (visible.size() == 1) {
        // Putting what the key already shows records nothing. A counter shows its current value,
        // increments included: a fresh counter op of that value would only hide the old one
        // from increments still on their way from other devices.
        auto const& op = m_store.ops()[visible[0]];
        if (op.action == OpAction::Set) {
            auto counter = op.value.as_counter();
            bool same = counter ? value.as_counter() == m_store.value_of(op).scalar.as_counter() : op.value == value;
            if (same)
                return {};
        }
    }
    TRY(write_op(obj, key, OpAction::Set, std::move(value), visible));
    return {};
}

ErrorOr<ObjId> Document::put_object(ObjId obj, std::string_view key, ObjType type)
{
    if (type != ObjType::Map)
        return make_error(ErrorCode::Unsupported, "unsupported document: only map objects can be created");
    TRY(check_utf8_key(key));
    auto const* object = TRY(map_object(obj));
    if (object->depth + 1 > m_max_depth)
        return make_error(ErrorCode::TooLarge, "document: maps nested deeper than " + std::to_string(m_max_depth) + " levels");
    std::vector<uint32_t> visible;
    m_store.visible_ops_at(*object, key, visible);
    auto id = TRY(write_op(obj, key, OpAction::MakeMap, ScalarValue::null(), visible));
    return ObjId { id.counter, id.actor };
}

void Document::rollback()
{
    if (!m_transaction)
        return;
    m_store.rollback_to(m_transaction->undo_mark);
    m_transaction.reset();
}

uint64_t Document::next_seq(uint32_t actor) const
{
    auto it = m_last_seq.find(actor);
    return it == m_last_seq.end() ? 1 : it->second + 1;
}

void Document::record_change(ChangeEntry entry)
{
    auto index = static_cast<uint32_t>(m_changes.size());
    for (auto dep : entry.deps) {
        auto const& hash = m_changes[dep].hash;
        auto it = std::ranges::lower_bound(m_heads, hash);
        if (it != m_heads.end() && *it == hash)
            m_heads.erase(it);
    }
    m_heads.insert(std::ranges::upper_bound(m_heads, entry.hash), entry.hash);
    m_change_index.emplace(entry.hash, index);
    m_last_seq[entry.actor] = std::max(m_last_seq[entry.actor], entry.seq);
    m_max_op = std::max(m_max_op, entry.max_op);
    m_changes.push_back(std::move(entry));
}

std::optional<ChangeHash> Document::commit(CommitOptions const& options)
{
    if (!m_transaction)
        return std::nullopt;
    auto transaction = std::move(*m_transaction);
    m_transaction.reset();
    m_store.clear_undo();
    if (transaction.ops.empty())
        return std::nullopt;

    uint32_t author = m_store.ensure_actor(m_actor);
    // Other actors referenced by objects and preds, sorted by their bytes.
    std::vector<uint32_t> others;
    auto note = [&](uint32_t actor) {
        if (actor != author && std::ranges::find(others, actor) == others.end())
            others.push_back(actor);
    };
    auto const& ops = m_store.ops();
    for (auto const& pending : transaction.ops) {
        auto const& op = ops[pending.index];
        if (!op.obj.is_root())
            note(op.obj.actor);
        for (auto const& pred : pending.pred)
            note(pred.actor);
    }
    std::ranges::sort(others, [&](uint32_t a, uint32_t b) { return m_store.actor(a) < m_store.actor(b); });
    auto local_index = [&](uint32_t actor) -> uint32_t {
        if (actor == author)
            return 0;
        return static_cast<uint32_t>(std::ranges::find(others, actor) - others.begin()) + 1;
    };

    storage::ChangeRecord change;
    change.deps = m_heads;
    change.actor = m_actor;
    change.seq = next_seq(author);
    change.start_op = transaction.start_op;
    change.time = options.time.value_or(static_cast<int64_t>(std::time(nullptr)));
    if (options.message && !options.message->empty())
        change.message = options.message;
    for (auto actor : others)
        change.other_actors.push_back(m_store.actor(actor));
    change.ops.reserve(transaction.ops.size());
    for (auto const& pending : transaction.ops) {
        auto const& op = ops[pending.index];
        storage::ChangeOp change_op;
        if (!op.obj.is_root())
            change_op.obj = storage::OpRef { op.obj.counter, local_index(op.obj.actor) };
        change_op.key.map_key = m_store.key(op.key);
        change_op.action = static_cast<uint64_t>(op.action);
        change_op.value = op.value;
        for (auto const& pred : pending.pred)
            change_op.pred.push_back(storage::OpRef { pred.counter, local_index(pred.actor) });
        change.ops.push_back(std::move(change_op));
    }
    auto body = storage::encode_change_body(change);
    ChangeHash hash;
    auto bytes = storage::write_chunk(storage::ChunkType::Change, body, &hash);

    ChangeEntry entry;
    entry.hash = hash;
    entry.actor = author;
    entry.seq = change.seq;
    entry.start_op = change.start_op;
    entry.max_op = change.max_op();
    entry.time = change.time;
    entry.message = change.message;
    for (auto const& dep : change.deps)
        entry.deps.push_back(m_change_index.at(dep));
    entry.bytes = std::move(bytes);
    record_change(std::move(entry));
    return hash;
}

std::vector<std::vector<uint8_t>> Document::changes() const
{
    std::vector<std::vector<uint8_t>> out;
    out.reserve(m_changes.size());
    for (auto const& change : m_changes)
        out.push_back(change.bytes);
    return out;
}

}
