#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kaso::search {

// Document numbers, ascending.
using Postings = std::vector<uint64_t>;

// The postings of each key (a word, a fragment), in an open-addressed table that is never more
// than half full and refers to the lists by index. Keys are never removed: a key whose postings
// run empty keeps its empty list, which finds nothing, as no list would.
//
// `Hash` hashes a key and anything it is looked up by (a view of a word), alike.
template<typename Key, typename Hash>
class PostingsIndex {
public:
    template<typename Lookup>
    Postings const* find(Lookup const& key) const
    {
        if (m_slots.empty())
            return nullptr;
        auto const& slot = m_slots[probe(key, Hash {}(key))];
        return slot.list == 0 ? nullptr : &m_lists[slot.list - 1];
    }
    template<typename Lookup>
    Postings* find(Lookup const& key)
    {
        return const_cast<Postings*>(static_cast<PostingsIndex const&>(*this).find(key));
    }

    // The postings of `key`, empty and new when it had none. The reference holds until the next
    // call of `ensure`.
    template<typename Lookup>
    Postings& ensure(Lookup const& key)
    {
        if (2 * (m_lists.size() + 1) > m_slots.size())
            grow();
        auto hash = Hash {}(key);
        auto& slot = m_slots[probe(key, hash)];
        if (slot.list == 0) {
            m_lists.emplace_back();
            slot.key = Key(key);
            slot.hash = hash;
            slot.list = m_lists.size();
        }
        return m_lists[slot.list - 1];
    }

    // Calls `visit(key, postings)` for every key, in no particular order.
    template<typename Visit>
    void for_each(Visit&& visit) const
    {
        for (auto const& slot : m_slots)
            if (slot.list != 0)
                visit(slot.key, m_lists[slot.list - 1]);
    }

private:
    struct Slot {
        Key key {};
        std::size_t hash { 0 };
        std::size_t list { 0 }; // index into m_lists plus one; 0 marks an empty slot
    };

    // The slot holding `key`, or the empty one where it belongs.
    template<typename Lookup>
    std::size_t probe(Lookup const& key, std::size_t hash) const
    {
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            auto const& slot = m_slots[at];
            if (slot.list == 0 || (slot.hash == hash && slot.key == key))
                return at;
        }
    }

    void grow()
    {
        auto old = std::move(m_slots);
        m_slots.clear();
        m_slots.resize(std::max<std::size_t>(1024, 2 * old.size()));
        std::size_t mask = m_slots.size() - 1;
        for (auto& slot : old) {
            if (slot.list == 0)
                continue;
            std::size_t at = slot.hash & mask;
            while (m_slots[at].list != 0)
                at = (at + 1) & mask;
            m_slots[at] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots; // a power of two in size
    std::vector<Postings> m_lists;
};

}
