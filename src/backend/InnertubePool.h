#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vexa {

// The threads that one innertube backend runs its requests on. A call hands its work to the
// pool and blocks until a pool thread has done it; destroying the pool finishes the work in hand
// and joins its threads.
class InnertubePool {
public:
    // Starts `thread_count` threads; throws std::system_error when a thread cannot be started
    // (the backend's maker turns that into its error).
    explicit InnertubePool(size_t thread_count);
    ~InnertubePool();
    InnertubePool(InnertubePool const&) = delete;
    InnertubePool& operator=(InnertubePool const&) = delete;

    size_t thread_count() const { return m_threads.size(); }

    // Runs `job` on a pool thread and returns once it has run.
    void run(std::function<void()> job);

private:
    void work();
    // Tells the threads to finish the jobs in hand, then joins them.
    void stop_and_join();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs; // protected by m_mutex
    bool m_stopping { false };                // protected by m_mutex
    std::vector<std::thread> m_threads;
};

}
