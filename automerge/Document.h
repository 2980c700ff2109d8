#pragma once

#include "automerge/ActorId.h"
#include "automerge/ChangeHash.h"
#include "automerge/Error.h"
#include "automerge/OpStore.h"
#include "automerge/Value.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace automerge {

namespace storage {
struct ChangeRecord;
struct OpKey;
}

struct CommitOptions {
    std::optional<std::string> message;
    std::optional<int64_t> time; // seconds since the epoch; now when not given
};

// Bounds checked while loading, before anything is allocated by a declared size.
struct LoadOptions {
    std::optional<ActorId> actor;              // random when not given
    size_t max_inflated_bytes { 64u << 20 };   // total over every inflated column and change
    uint64_t max_ops { 1u << 20 };
    uint64_t max_changes { 1u << 20 };
    uint32_t max_depth { 64 };                 // nesting of maps below the root
};

// An Automerge document whose objects are the root map and nested maps.
//
// Writes go into a transaction: `begin` opens one explicitly, and a put outside one opens and
// commits its own (auto-commit). `commit` turns the transaction's ops into one change; `rollback`
// forgets them, leaving values, heads and saved bytes as they were. Errors are values; nothing
// throws.
class Document {
public:
    Document();
    explicit Document(ActorId actor);

    // Loads a document chunk and/or change chunks (compressed or not). Every checksum is
    // verified, and the changes rebuilt from a document chunk must hash to its stored heads.
    // A document with list, text, table or mark objects fails with ErrorCode::Unsupported.
    static ErrorOr<Document> load(std::span<const uint8_t> bytes, LoadOptions const& options = {});

    ActorId const& actor_id() const { return m_actor; }
    ErrorOr<void> set_actor_id(ActorId actor);

    // Reading. An unknown object is an InvalidArgument error.
    ErrorOr<std::optional<Value>> get(ObjId obj, std::string_view key) const;
    ErrorOr<std::vector<Value>> get_all(ObjId obj, std::string_view key) const; // op id order, winner last
    ErrorOr<std::vector<std::string>> keys(ObjId obj) const;                     // UTF-8 byte order
    ErrorOr<ObjType> object_type(ObjId obj) const;
    bool has_object(ObjId obj) const { return m_store.object(obj) != nullptr; }

    // Writing. Putting the value a key already holds alone records nothing.
    ErrorOr<void> put(ObjId obj, std::string_view key, ScalarValue value);
    ErrorOr<ObjId> put_object(ObjId obj, std::string_view key, ObjType type);

    ErrorOr<void> begin();
    // Commits the open transaction; nothing when none is open or it holds no ops.
    std::optional<ChangeHash> commit(CommitOptions const& options = {});
    void rollback();
    bool in_transaction() const { return m_transaction.has_value(); }
    size_t pending_ops() const { return m_transaction ? m_transaction->ops.size() : 0; }

    // Sorted hashes of the changes nothing depends on (committed changes only).
    std::vector<ChangeHash> const& heads() const { return m_heads; }
    size_t change_count() const { return m_changes.size(); }

    // The whole document as one document chunk, columns of 256 bytes or more deflated. Ops of a
    // transaction still open are left out.
    std::vector<uint8_t> save() const;
    std::vector<uint8_t> save_uncompressed() const;

    // Change chunks of every committed change, in the order they were applied.
    std::vector<std::vector<uint8_t>> changes() const;
    // Applies change chunks (and document chunks) to this document.
    ErrorOr<void> apply_changes(std::span<const uint8_t> bytes);
    // Applies the changes of another document that this one lacks.
    ErrorOr<void> merge(Document const& other);

    OpStore const& store() const { return m_store; }

private:
    struct ChangeEntry {
        ChangeHash hash;
        uint32_t actor { 0 }; // store actor index
        uint64_t seq { 0 };
        uint64_t start_op { 0 };
        uint64_t max_op { 0 };
        int64_t time { 0 };
        std::optional<std::string> message;
        std::vector<uint32_t> deps; // indices into m_changes, in the change's own order
        std::vector<uint8_t> extra;
        std::vector<uint8_t> bytes; // the uncompressed change chunk
    };

    struct PendingOp {
        uint32_t index; // op index in the store
        std::vector<OpId> pred;
    };

    struct Transaction {
        size_t undo_mark { 0 };
        uint64_t start_op { 0 };
        std::vector<PendingOp> ops;
    };

    // Checks an op's shape: a map key, no insert, an action this library keeps (delete included).
    static ErrorOr<OpAction> check_op_shape(uint64_t action, bool map_key, bool insert);

    // Adds an op at `key` superseding the ops visible there (store indices), in the open
    // transaction or in one of its own that it commits at once.
    ErrorOr<OpId> write_op(ObjId obj, std::string_view key, OpAction action, ScalarValue value, std::span<const uint32_t> visible);
    // The map `obj` names; an InvalidArgument error when the document has none.
    ErrorOr<OpStore::MapObject const*> map_object(ObjId obj) const;
    std::vector<uint8_t> save_with(size_t deflate_threshold) const;
    ErrorOr<void> load_document_chunk(std::span<const uint8_t> body, LoadOptions const& options, size_t& budget);
    ErrorOr<void> apply_change(storage::ChangeRecord const& change, ChangeHash const& hash, std::vector<uint8_t> bytes, uint32_t max_depth);
    // Whether a leading document chunk may be loaded straight into this document (which then
    // holds nothing yet) instead of being applied as the changes it holds.
    enum class AllowFastDocument {
        No,
        Yes,
    };
    ErrorOr<void> apply_chunks(std::span<const uint8_t> bytes, LoadOptions const& options, size_t& budget, AllowFastDocument allow_fast_document);
    void record_change(ChangeEntry entry);
    uint64_t next_seq(uint32_t actor) const;

    // The bytes of the last save() and how many changes they hold. Committed state grows only
    // by whole changes (an open transaction's ops are never saved), so while the count is the
    // same a save gives the same bytes and these are handed out again. A copy of the document
    // takes the cache along; the lock lets const saves on one document run on several threads.
    class SaveCache {
    public:
        SaveCache() = default;
        SaveCache(SaveCache const& other) { *this = other; }
        SaveCache(SaveCache&& other) noexcept { *this = std::move(other); }
        SaveCache& operator=(SaveCache&& other) noexcept
        {
            if (this != &other) {
                std::scoped_lock guard(m_lock, other.m_lock);
                m_entry = std::move(other.m_entry);
            }
            return *this;
        }
        SaveCache& operator=(SaveCache const& other)
        {
            if (this != &other) {
                auto entry = other.get();
                std::lock_guard guard(m_lock);
                m_entry = std::move(entry);
            }
            return *this;
        }
        struct Entry {
            size_t change_count { 0 };
            std::vector<uint8_t> bytes;
        };
        std::shared_ptr<const Entry> get() const
        {
            std::lock_guard guard(m_lock);
            return m_entry;
        }
        void set(std::shared_ptr<const Entry> entry)
        {
            std::lock_guard guard(m_lock);
            m_entry = std::move(entry);
        }

    private:
        mutable std::mutex m_lock;
        std::shared_ptr<const Entry> m_entry;
    };

    ActorId m_actor;
    OpStore m_store;
    std::vector<ChangeEntry> m_changes;
    std::unordered_map<ChangeHash, uint32_t, ChangeHashHasher> m_change_index;
    std::vector<ChangeHash> m_heads;
    std::unordered_map<uint32_t, uint64_t> m_last_seq; // store actor index -> last seq
    uint64_t m_max_op { 0 };
    uint32_t m_max_depth { 64 };
    std::optional<Transaction> m_transaction;
    mutable SaveCache m_save_cache;
};

}
