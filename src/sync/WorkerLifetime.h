#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace vexa::sync::detail {

// Shared by the worker object and its thread: the request to stop, and the thread's end.
struct WorkerLifetime {
    std::atomic<bool> stop_requested { false };

    std::mutex mutex;
    std::condition_variable ended_changed;
    bool ended { false }; // guarded by mutex

    void mark_ended()
    {
        {
            std::lock_guard lock(mutex);
            ended = true;
        }
        ended_changed.notify_all();
    }
};

}
