#include "automerge/Transaction.h"

namespace automerge {

ErrorOr<Transaction> Transaction::open(Document& document)
{
    TRY(document.begin());
    return Transaction(document);
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_document(other.m_document)
    , m_open(other.m_open)
{
    other.m_open = false;
}

Transaction::~Transaction()
{
    rollback();
}

ErrorOr<void> Transaction::put(ObjId obj, std::string_view key, ScalarValue value)
{
    if (!m_open)
        return make_error(ErrorCode::InvalidArgument, "transaction: already closed");
    return m_document->put(obj, key, std::move(value));
}

ErrorOr<ObjId> Transaction::put_object(ObjId obj, std::string_view key, ObjType type)
{
    if (!m_open)
        return make_error(ErrorCode::InvalidArgument, "transaction: already closed");
    return m_document->put_object(obj, key, type);
}

std::optional<ChangeHash> Transaction::commit(CommitOptions const& options)
{
    if (!m_open)
        return std::nullopt;
    m_open = false;
    return m_document->commit(options);
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    m_document->rollback();
}

}
