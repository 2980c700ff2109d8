#include "src/actions/OperationQueue.h"

#include <utility>

namespace vexa {

std::shared_ptr<OperationQueue> OperationQueue::create()
{
    return std::shared_ptr<OperationQueue>(new OperationQueue());
}

void OperationQueue::push(UiAction action)
{
    m_pending.push_back(std::move(action));
}

std::vector<UiAction> OperationQueue::drain()
{
    return std::exchange(m_pending, {});
}

}
