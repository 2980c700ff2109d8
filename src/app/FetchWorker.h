#pragma once

#include <cstddef>
#include <vector>

#include "kaso/platform/Queue.h"
#include "src/backend/WorkerMessages.h"
#include "src/backend/FetchWorkerBody.h"

namespace vexa {

// What the user sees when the request queue refuses a request.
inline constexpr char const* request_refused_notice = "Too many requests are pending. Please try again.";

// The application's handle on the "vexa-fetch" thread: the sending end of its request queue and
// the receiving end of its result queue. Dropping the handle ends the worker; nobody joins it.
class FetchWorker {
public:
    static constexpr size_t request_capacity = 32;
    static constexpr size_t result_capacity = 128;
    static constexpr size_t drain_batch = 32;

    // Starts the detached worker thread. A thread that cannot start is logged, and the handle
    // then refuses every request.
    static FetchWorker start();
    static FetchWorker start(FetchWorkerEnvironment environment);

    // A handle over queues whose other ends the caller serves itself (tests stand in for the
    // worker thread this way).
    static FetchWorker over_queues(kaso::Sender<WorkerRequest> requests, kaso::Receiver<WorkerMessage> results)
    {
        return FetchWorker(std::move(requests), std::move(results));
    }

    // Offers a request without waiting; false when the queue is full or has no worker.
    bool submit(WorkerRequest const& request);

    // Up to 32 messages that are already waiting, in arrival order.
    std::vector<WorkerMessage> drain_results();

private:
    FetchWorker(kaso::Sender<WorkerRequest> requests, kaso::Receiver<WorkerMessage> results)
        : m_requests(std::move(requests))
        , m_results(std::move(results))
    {
    }

    kaso::Sender<WorkerRequest> m_requests;
    kaso::Receiver<WorkerMessage> m_results;
};

}
