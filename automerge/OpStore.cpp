#include "automerge/OpStore.h"

#include <algorithm>

namespace automerge {

void OpStore::IndexList::assign(IndexList const& other)
{
    m_size = other.m_size;
    m_capacity = std::max(other.m_size, inline_capacity);
    if (m_capacity > inline_capacity)
        m_heap = new uint32_t[m_capacity];
    std::copy(other.begin(), other.end(), data());
}

void OpStore::IndexList::take(IndexList& other)
{
    m_size = other.m_size;
    m_capacity = other.m_capacity;
    if (other.on_heap())
        m_heap = other.m_heap;
    else
        std::copy(other.m_inline, other.m_inline + other.m_size, m_inline);
    other.m_size = 0;
    other.m_capacity = inline_capacity;
}

void OpStore::IndexList::release()
{
    if (on_heap())
        delete[] m_heap;
    m_size = 0;
    m_capacity = inline_capacity;
}

void OpStore::IndexList::insert(uint32_t const* position, uint32_t value)
{
    auto at = static_cast<size_t>(position - data());
    if (m_size == m_capacity) {
        uint32_t capacity = m_capacity * 2;
        auto* grown = new uint32_t[capacity];
        std::copy(begin(), end(), grown);
        if (on_heap())
            delete[] m_heap;
        m_heap = grown;
        m_capacity = capacity;
    }
    uint32_t* items = data();
    std::copy_backward(items + at, items + m_size, items + m_size + 1);
    items[at] = value;
    ++m_size;
}

void OpStore::IndexList::erase(uint32_t const* position)
{
    auto at = static_cast<size_t>(position - data());
    uint32_t* items = data();
    std::copy(items + at + 1, items + m_size, items + at);
    --m_size;
}

OpStore::OpStore()
{
    m_objects.emplace(ROOT, MapObject {});
}

OpStore::OpStore(OpStore const& other)
    : m_actors(other.m_actors)
    , m_actor_index(other.m_actor_index)
    , m_keys(other.m_keys.size(), KeySlot { nullptr, nullptr })
    , m_objects(other.m_objects)
    , m_ops(other.m_ops)
    , m_op_index(other.m_op_index)
    , m_op_index_built(other.m_op_index_built)
    , m_undo(other.m_undo)
    , m_log_undo(other.m_log_undo)
{
    for (auto& [id, object] : m_objects) {
        for (auto& [key, at_key] : object.keys)
            m_keys[at_key.slot] = KeySlot { &key, &at_key.ops };
    }
}

OpStore& OpStore::operator=(OpStore const& other)
{
    if (this != &other) {
        OpStore copy(other);
        *this = std::move(copy);
    }
    return *this;
}

uint32_t OpStore::ensure_actor(ActorId const& actor)
{
    std::string key(actor.bytes().begin(), actor.bytes().end());
    auto it = m_actor_index.find(key);
    if (it != m_actor_index.end())
        return it->second;
    auto index = static_cast<uint32_t>(m_actors.size());
    m_actors.push_back(actor);
    m_actor_index.emplace(std::move(key), index);
    return index;
}

bool OpStore::less(OpId a, OpId b) const
{
    if (a.counter != b.counter)
        return a.counter < b.counter;
    if (a.actor == b.actor)
        return false;
    return m_actors[a.actor] < m_actors[b.actor];
}

void OpStore::reserve(size_t ops)
{
    m_ops.reserve(m_ops.size() + ops);
    if (m_ops.empty()) {
        m_op_index.clear();
        m_op_index_built = false;
    }
}

void OpStore::ensure_op_index() const
{
    if (m_op_index_built)
        return;
    m_op_index.reserve(m_ops.size());
    for (uint32_t index = 0; index < m_ops.size(); ++index)
        m_op_index.emplace(m_ops[index].id, index);
    m_op_index_built = true;
}

OpStore::KeyOps& OpStore::key_ops(MapObject& object, std::string_view key)
{
    auto& keys = object.keys;
    auto position = keys.end();
    // A document chunk lists each object's keys in ascending order, so while loading the key is
    // the last one or a new last one; check that before searching.
    if (!keys.empty()) {
        auto last = std::prev(keys.end());
        int order = std::string_view(last->first).compare(key);
        if (order == 0)
            return last->second;
        if (order > 0) {
            position = keys.lower_bound(key);
            if (position != keys.end() && position->first == key)
                return position->second;
        }
    }
    auto slot = static_cast<uint32_t>(m_keys.size());
    auto created = keys.emplace_hint(position, std::string(key), KeyOps { slot, {} });
    m_keys.push_back(KeySlot { &created->first, &created->second.ops });
    return created->second;
}

OpStore::MapObject const* OpStore::object(ObjId id) const
{
    auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : &it->second;
}

OpStore::Op const* OpStore::find(OpId id) const
{
    auto index = find_index(id);
    return index ? &m_ops[*index] : nullptr;
}

std::optional<uint32_t> OpStore::find_index(OpId id) const
{
    ensure_op_index();
    auto it = m_op_index.find(id);
    if (it == m_op_index.end())
        return std::nullopt;
    return it->second;
}

Value OpStore::value_of(Op const& op) const
{
    if (op.action == OpAction::MakeMap)
        return Value::of_object(ObjId { op.id.counter, op.id.actor }, ObjType::Map);
    if (auto counter = op.value.as_counter())
        return Value::of(ScalarValue::counter(static_cast<int64_t>(static_cast<uint64_t>(*counter) + static_cast<uint64_t>(op.increments))));
    return Value::of(op.value);
}

std::span<const uint32_t> OpStore::ops_at(MapObject const& object, std::string_view key)
{
    auto it = object.keys.find(key);
    if (it == object.keys.end())
        return {};
    return it->second.ops;
}

void OpStore::visible_ops_at(MapObject const& object, std::string_view key, std::vector<uint32_t>& out) const
{
    out.clear();
    for (auto index : ops_at(object, key)) {
        if (m_ops[index].visible())
            out.push_back(index);
    }
}

void OpStore::visible_at(MapObject const& object, std::string_view key, std::vector<Value>& out) const
{
    out.clear();
    for (auto index : ops_at(object, key)) {
        if (m_ops[index].visible())
            out.push_back(value_of(m_ops[index]));
    }
}

uint32_t OpStore::insert(OpId id, ObjId obj, std::string_view key, OpAction action, ScalarValue value)
{
    auto index = static_cast<uint32_t>(m_ops.size());
    auto& object = m_objects.at(obj);
    uint32_t depth = object.depth;
    auto& slot = key_ops(object, key);
    auto key_index = slot.slot;
    auto& at_key = slot.ops;
    // Ops usually arrive in op id order; search from the back.
    auto position = at_key.end();
    while (position != at_key.begin() && less(id, m_ops[*(position - 1)].id))
        --position;
    at_key.insert(position, index);
    m_ops.push_back(Op { id, obj, key_index, action, std::move(value), {}, 0, 0 });
    if (m_op_index_built)
        m_op_index.emplace(id, index);
    if (action == OpAction::MakeMap)
        m_objects.emplace(ObjId { id.counter, id.actor }, MapObject { depth + 1, {} });
    if (m_log_undo)
        m_undo.push_back(Undo { Undo::Kind::Insert, index });
    return index;
}

void OpStore::add_successor(uint32_t index, OpId successor, OpAction successor_action, int64_t increment)
{
    auto& op = m_ops[index];
    op.succ.push_back(successor);
    if (successor_action == OpAction::Increment)
        op.increments = static_cast<int64_t>(static_cast<uint64_t>(op.increments) + static_cast<uint64_t>(increment));
    else
        ++op.hiding_successors;
    if (m_log_undo)
        m_undo.push_back(Undo { Undo::Kind::Successor, index, successor_action, increment });
}

void OpStore::rollback_to(size_t mark)
{
    while (m_undo.size() > mark) {
        auto undo = m_undo.back();
        m_undo.pop_back();
        auto& op = m_ops[undo.index];
        if (undo.kind == Undo::Kind::Successor) {
            op.succ.pop_back();
            if (undo.successor_action == OpAction::Increment)
                op.increments = static_cast<int64_t>(static_cast<uint64_t>(op.increments) - static_cast<uint64_t>(undo.increment));
            else
                --op.hiding_successors;
            continue;
        }
        // Inserts are undone in reverse, so this op is the last in the table.
        if (op.action == OpAction::MakeMap)
            m_objects.erase(ObjId { op.id.counter, op.id.actor });
        auto& object = m_objects.at(op.obj);
        auto it = object.keys.find(*m_keys[op.key].key);
        auto& at_key = it->second.ops;
        at_key.erase(std::find(at_key.begin(), at_key.end(), undo.index));
        if (at_key.empty()) {
            // The key was made by this insert, after every slot still in use: it is the last.
            m_keys.pop_back();
            object.keys.erase(it);
        }
        if (m_op_index_built)
            m_op_index.erase(op.id);
        m_ops.pop_back();
    }
}

}
