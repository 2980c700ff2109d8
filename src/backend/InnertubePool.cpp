#include "src/backend/InnertubePool.h"

namespace vexa {

InnertubePool::InnertubePool(size_t thread_count)
{
    try {
        for (size_t index = 0; index < thread_count; ++index)
            m_threads.emplace_back([this] { work(); });
    } catch (...) {
        stop_and_join();
        throw;
    }
}

InnertubePool::~InnertubePool() { stop_and_join(); }

void InnertubePool::stop_and_join()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

void InnertubePool::run(std::function<void()> job)
{
    std::mutex done_mutex;
    std::condition_variable done_signal;
    bool done = false;
    {
        std::lock_guard lock(m_mutex);
        m_jobs.emplace_back([&] {
            job();
            std::lock_guard done_lock(done_mutex);
            done = true;
            done_signal.notify_one();
        });
    }
    m_wake.notify_one();
    std::unique_lock done_lock(done_mutex);
    done_signal.wait(done_lock, [&] { return done; });
}

void InnertubePool::work()
{
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

}
