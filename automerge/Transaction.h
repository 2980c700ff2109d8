#pragma once

#include "automerge/Document.h"

namespace automerge {

// An open transaction on a document: the handle a caller writes through. It reads what the
// document holds with the transaction's own ops applied. `commit` makes the ops one change;
// `rollback`, or destroying a transaction still open, forgets them, leaving the document's
// values, heads and saved bytes as they were.
class Transaction {
public:
    // Fails when the document already has a transaction open.
    static ErrorOr<Transaction> open(Document& document);

    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;
    Transaction(Transaction const&) = delete;
    ~Transaction();

    ErrorOr<std::optional<Value>> get(ObjId obj, std::string_view key) const { return m_document->get(obj, key); }
    ErrorOr<std::vector<Value>> get_all(ObjId obj, std::string_view key) const { return m_document->get_all(obj, key); }
    ErrorOr<std::vector<std::string>> keys(ObjId obj) const { return m_document->keys(obj); }

    ErrorOr<void> put(ObjId obj, std::string_view key, ScalarValue value);
    ErrorOr<ObjId> put_object(ObjId obj, std::string_view key, ObjType type);

    size_t pending_ops() const { return m_open ? m_document->pending_ops() : 0; }
    bool is_open() const { return m_open; }

    // The change's hash, or nothing when the transaction held no ops (or was closed already).
    std::optional<ChangeHash> commit(CommitOptions const& options = {});
    void rollback();

    Document const& document() const { return *m_document; }

private:
    explicit Transaction(Document& document)
        : m_document(&document)
    {
    }

    Document* m_document;
    bool m_open { true };
};

}
