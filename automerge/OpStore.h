#pragma once

#include "automerge/ActorId.h"
#include "automerge/ScalarValue.h"
#include "automerge/Value.h"

#include <cstdint>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace automerge {

// An op id inside the store: a counter and an index into the store's actor table, which only
// grows, so ids stay valid for the store's life.
struct OpId {
    uint64_t counter { 0 };
    uint32_t actor { 0 };
    bool operator==(OpId const&) const = default;
};

struct OpIdHasher {
    size_t operator()(OpId const& id) const { return std::hash<uint64_t> {}(id.counter * 0x9e3779b97f4a7c15ull ^ id.actor); }
};

enum class OpAction : uint8_t { MakeMap = 0, Set = 1, Delete = 3, Increment = 5 };

// The op set of map documents: objects, their keys, and at each key the ops in op id order. It
// knows nothing of bytes. Every change it makes is logged so that `rollback_to` can undo a
// failed or abandoned transaction exactly.
class OpStore {
public:
    struct Op {
        OpId id;
        ObjId obj;
        uint32_t key { 0 }; // key slot: one per (object, key), see key() and ops_at_slot()
        OpAction action { OpAction::Set };
        ScalarValue value;
        std::vector<OpId> succ; // in the order they arrived
        uint32_t hiding_successors { 0 }; // successors that are not increments
        int64_t increments { 0 };         // sum of increment successors (counters)
        bool visible() const { return hiding_successors == 0 && action != OpAction::Increment && action != OpAction::Delete; }
    };

    // Op indices at one key, in op id order. Most keys hold one or two ops, kept inline; a
    // key written more often moves its indices to the heap.
    class IndexList {
    public:
        IndexList() = default;
        IndexList(IndexList const& other) { assign(other); }
        IndexList(IndexList&& other) noexcept { take(other); }
        IndexList& operator=(IndexList const& other)
        {
            if (this != &other) {
                release();
                assign(other);
            }
            return *this;
        }
        IndexList& operator=(IndexList&& other) noexcept
        {
            if (this != &other) {
                release();
                take(other);
            }
            return *this;
        }
        ~IndexList() { release(); }

        uint32_t const* data() const { return on_heap() ? m_heap : m_inline; }
        uint32_t* data() { return on_heap() ? m_heap : m_inline; }
        uint32_t const* begin() const { return data(); }
        uint32_t const* end() const { return data() + m_size; }
        uint32_t* begin() { return data(); }
        uint32_t* end() { return data() + m_size; }
        std::reverse_iterator<uint32_t const*> rbegin() const { return std::reverse_iterator(end()); }
        std::reverse_iterator<uint32_t const*> rend() const { return std::reverse_iterator(begin()); }
        size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }

        void insert(uint32_t const* position, uint32_t value);
        void erase(uint32_t const* position);

    private:
        static constexpr uint32_t inline_capacity = 2;
        bool on_heap() const { return m_capacity > inline_capacity; }
        void assign(IndexList const& other);
        void take(IndexList& other);
        void release();

        uint32_t m_size { 0 };
        uint32_t m_capacity { inline_capacity };
        union {
            uint32_t m_inline[inline_capacity];
            uint32_t* m_heap;
        };
    };

    struct KeyOps {
        uint32_t slot { 0 };
        IndexList ops; // op indices in op id order
    };

    struct MapObject {
        uint32_t depth { 0 }; // 0 for the root
        std::map<std::string, KeyOps, std::less<>> keys;
    };

    OpStore();
    // Key slots point into the object maps, so a copy points its own slots at its own maps.
    OpStore(OpStore const& other);
    OpStore& operator=(OpStore const& other);
    OpStore(OpStore&&) = default;
    OpStore& operator=(OpStore&&) = default;

    // Room for this many more ops (loading knows the count up front). The id index is then
    // left to be built on first use.
    void reserve(size_t ops);

    uint32_t ensure_actor(ActorId const& actor);
    ActorId const& actor(uint32_t index) const { return m_actors[index]; }
    size_t actor_count() const { return m_actors.size(); }
    // Lamport order: counter, then actor bytes.
    bool less(OpId a, OpId b) const;

    std::string const& key(uint32_t slot) const { return *m_keys[slot].key; }
    // The op indices at a key slot, in op id order.
    IndexList const& ops_at_slot(uint32_t slot) const { return *m_keys[slot].ops; }
    MapObject const* object(ObjId id) const;
    std::unordered_map<ObjId, MapObject, ObjIdHasher> const& objects() const { return m_objects; }
    std::vector<Op> const& ops() const { return m_ops; }
    Op const* find(OpId id) const;
    std::optional<uint32_t> find_index(OpId id) const;

    // The visible values at a key, in op id order (the winner last).
    void visible_at(MapObject const& object, std::string_view key, std::vector<Value>& out) const;
    void visible_ops_at(MapObject const& object, std::string_view key, std::vector<uint32_t>& out) const;
    Value value_of(Op const& op) const;

    // Adds an op (not a delete) at the end of the op table and at its key. The object must exist.
    // A MakeMap op creates the object it names. Returns the op's index.
    uint32_t insert(OpId id, ObjId obj, std::string_view key, OpAction action, ScalarValue value);
    // Records `successor` (of the given kind) as a successor of the op at `index`.
    void add_successor(uint32_t index, OpId successor, OpAction successor_action, int64_t increment = 0);

    // Undo log. Loading a document chunk turns it off: a load that fails discards the whole
    // store, so nothing is ever rolled back.
    size_t mark() const { return m_undo.size(); }
    void set_undo_logging(bool on) { m_log_undo = on; }
    void rollback_to(size_t mark);
    void clear_undo() { m_undo.clear(); }

private:
    struct Undo {
        enum class Kind : uint8_t { Insert, Successor } kind;
        uint32_t index;
        OpAction successor_action { OpAction::Set };
        int64_t increment { 0 };
    };

    // The ops of `key` in `object`, created (with a new slot) when the key holds none yet.
    KeyOps& key_ops(MapObject& object, std::string_view key);
    // The op indices at a key, empty when the key holds none.
    static std::span<const uint32_t> ops_at(MapObject const& object, std::string_view key);
    void ensure_op_index() const;

    // A key slot points into its object's key map, whose nodes never move.
    struct KeySlot {
        std::string const* key;
        IndexList* ops;
    };

    std::vector<ActorId> m_actors;
    std::unordered_map<std::string, uint32_t> m_actor_index;
    std::vector<KeySlot> m_keys;
    std::unordered_map<ObjId, MapObject, ObjIdHasher> m_objects;
    std::vector<Op> m_ops;
    // Built on the first lookup by id: loading a document whose ops nothing overwrites never
    // needs it.
    mutable std::unordered_map<OpId, uint32_t, OpIdHasher> m_op_index;
    mutable bool m_op_index_built { true };
    std::vector<Undo> m_undo;
    bool m_log_undo { true };
};

}
