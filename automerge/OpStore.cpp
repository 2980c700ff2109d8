#include "automerge/OpStore.h"

#include <algorithm>

namespace automerge {

OpStore::OpStore()
{
    m_objects.emplace(ROOT, MapObject {});
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

uint32_t OpStore::intern_key(std::string_view key)
{
    auto it = m_key_index.find(key);
    if (it != m_key_index.end())
        return it->second;
    auto index = static_cast<uint32_t>(m_keys.size());
    m_keys.emplace_back(key);
    m_key_index.emplace(std::string(key), index);
    return index;
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
    return it->second;
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
    auto key_index = intern_key(key);
    auto& object = m_objects.at(obj);
    uint32_t depth = object.depth;
    auto found = object.keys.find(key);
    if (found == object.keys.end())
        found = object.keys.emplace(std::string(key), std::vector<uint32_t> {}).first;
    auto& at_key = found->second;
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
        auto it = object.keys.find(m_keys[op.key]);
        auto& at_key = it->second;
        at_key.erase(std::find(at_key.begin(), at_key.end(), undo.index));
        if (at_key.empty())
            object.keys.erase(it);
        if (m_op_index_built)
            m_op_index.erase(op.id);
        m_ops.pop_back();
    }
}

}
