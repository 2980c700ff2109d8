#include "src/app/FetchWorker.h"

#include <pthread.h>
#include <system_error>
#include <thread>

#include "kaso/platform/Log.h"

namespace vexa {

FetchWorker FetchWorker::start() { return start(FetchWorkerEnvironment::standard()); }

FetchWorker FetchWorker::start(FetchWorkerEnvironment environment)
{
    auto [request_sender, request_receiver] = kaso::bounded_queue<WorkerRequest>(request_capacity);
    auto [result_sender, result_receiver] = kaso::bounded_queue<WorkerMessage>(result_capacity);
    try {
        std::thread thread([requests = std::move(request_receiver), results = std::move(result_sender),
                               environment = std::move(environment)]() mutable {
            pthread_setname_np(pthread_self(), "vexa-fetch");
            run_fetch_worker(std::move(requests), std::move(results), std::move(environment));
        });
        thread.detach();
    } catch (std::system_error const& error) {
        // The worker's ends went with the failed thread: every request is refused from now on.
        kaso::log::target("vexa::api")->error("failed to spawn the vexa-fetch worker thread: {}", error.what());
    }
    return FetchWorker(std::move(request_sender), std::move(result_receiver));
}

bool FetchWorker::submit(WorkerRequest const& request) { return m_requests.try_send(request) == kaso::SendResult::Sent; }

std::vector<WorkerMessage> FetchWorker::drain_results()
{
    std::vector<WorkerMessage> messages;
    while (messages.size() < drain_batch) {
        auto message = m_results.try_receive();
        if (!message)
            break;
        messages.push_back(std::move(*message));
    }
    return messages;
}

}
