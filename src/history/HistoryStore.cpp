#include "src/history/HistoryStore.h"

namespace vexa {

HistoryStore HistoryStore::open(std::string owner_id)
{
    HistoryStore store;
    store.m_owner_id = std::move(owner_id);
    return store;
}

HistoryStore HistoryStore::in_memory() { return HistoryStore {}; }

}
