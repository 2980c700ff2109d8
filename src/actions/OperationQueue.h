#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "src/actions/UiAction.h"

namespace vexa {

// The queue of UiAction values between the widgets and the application, on the UI thread only.
// The application keeps one handle and every widget that carries an action keeps a copy; the
// queue lives as long as its last handle. No lock: nothing here is shared across threads.
class OperationQueue {
public:
    // An empty queue behind a new shared handle.
    static std::shared_ptr<OperationQueue> create();

    // Appends at the end. Callers push a copy and keep their own value.
    void push(UiAction action);
    // Takes every queued value, oldest first, leaving the queue empty. Values pushed while the
    // returned list is being handled wait in the queue for the next drain.
    std::vector<UiAction> drain();

    bool is_empty() const { return m_pending.empty(); }
    size_t size() const { return m_pending.size(); }

private:
    OperationQueue() = default;

    std::vector<UiAction> m_pending;
};

using OperationQueueHandle = std::shared_ptr<OperationQueue>;

}
