#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace kaso {

// A multi-producer, single-consumer queue between threads, bounded or not. The two ends are
// separate handles: when every sender is gone the receiver sees the queue as closed once it is
// drained, and when the receiver is gone every send fails. This is how workers learn that the
// application has ended: nobody joins them.
enum class SendResult {
    Sent,
    Full,
    Closed,
};

namespace detail {

template<typename T>
struct QueueState {
    std::mutex mutex;
    std::condition_variable readable;
    std::condition_variable writable; // a bounded queue gained room, or the receiver went away
    std::deque<T> items;
    std::size_t capacity { 0 }; // 0 means unbounded
    std::size_t senders { 0 };
    bool receiver_alive { true };

    // With the mutex held.
    bool full() const { return capacity != 0 && items.size() >= capacity; }

    // With the mutex held and an item there: takes the front one and makes room for a sender.
    T pop()
    {
        T value = std::move(items.front());
        items.pop_front();
        writable.notify_one();
        return value;
    }
};

}

template<typename T>
class Sender {
public:
    Sender() = default;
    explicit Sender(std::shared_ptr<detail::QueueState<T>> state)
        : m_state(std::move(state))
    {
        if (m_state) {
            std::lock_guard lock(m_state->mutex);
            ++m_state->senders;
        }
    }
    Sender(Sender const& other)
        : Sender(other.m_state)
    {
    }
    Sender(Sender&& other) noexcept
        : m_state(std::exchange(other.m_state, nullptr))
    {
    }
    Sender& operator=(Sender other) noexcept
    {
        std::swap(m_state, other.m_state);
        return *this;
    }
    ~Sender() { release(); }

    // Offers a value without waiting: a full bounded queue refuses it.
    SendResult try_send(T value)
    {
        if (!m_state)
            return SendResult::Closed;
        {
            std::lock_guard lock(m_state->mutex);
            if (!m_state->receiver_alive)
                return SendResult::Closed;
            if (m_state->full())
                return SendResult::Full;
            m_state->items.push_back(std::move(value));
        }
        m_state->readable.notify_one();
        return SendResult::Sent;
    }

    // Waits while a bounded queue is full; Closed once the receiver is gone.
    SendResult send(T value)
    {
        if (!m_state)
            return SendResult::Closed;
        {
            std::unique_lock lock(m_state->mutex);
            m_state->writable.wait(lock, [&] {
                return !m_state->receiver_alive || !m_state->full();
            });
            if (!m_state->receiver_alive)
                return SendResult::Closed;
            m_state->items.push_back(std::move(value));
        }
        m_state->readable.notify_one();
        return SendResult::Sent;
    }

    bool is_closed() const
    {
        if (!m_state)
            return true;
        std::lock_guard lock(m_state->mutex);
        return !m_state->receiver_alive;
    }

private:
    void release()
    {
        if (!m_state)
            return;
        {
            std::lock_guard lock(m_state->mutex);
            --m_state->senders;
        }
        m_state->readable.notify_all();
        m_state = nullptr;
    }

    std::shared_ptr<detail::QueueState<T>> m_state;
};

template<typename T>
class Receiver {
public:
    Receiver() = default;
    explicit Receiver(std::shared_ptr<detail::QueueState<T>> state)
        : m_state(std::move(state))
    {
    }
    Receiver(Receiver&&) noexcept = default;
    Receiver& operator=(Receiver&& other) noexcept
    {
        if (this != &other) {
            close();
            m_state = std::move(other.m_state);
        }
        return *this;
    }
    Receiver(Receiver const&) = delete;
    Receiver& operator=(Receiver const&) = delete;
    ~Receiver() { close(); }

    // Takes the next value if one is there.
    std::optional<T> try_receive()
    {
        if (!m_state)
            return std::nullopt;
        std::lock_guard lock(m_state->mutex);
        if (m_state->items.empty())
            return std::nullopt;
        return m_state->pop();
    }

    // Waits for the next value; none once every sender is gone and the queue is drained.
    std::optional<T> receive()
    {
        if (!m_state)
            return std::nullopt;
        std::unique_lock lock(m_state->mutex);
        m_state->readable.wait(lock, [&] { return !m_state->items.empty() || m_state->senders == 0; });
        if (m_state->items.empty())
            return std::nullopt;
        return m_state->pop();
    }

    // Waits at most `timeout` for the next value.
    template<typename Duration>
    std::optional<T> receive_for(Duration timeout)
    {
        if (!m_state)
            return std::nullopt;
        std::unique_lock lock(m_state->mutex);
        m_state->readable.wait_for(lock, timeout, [&] { return !m_state->items.empty() || m_state->senders == 0; });
        if (m_state->items.empty())
            return std::nullopt;
        return m_state->pop();
    }

    // True when every sender is gone and nothing is left to take.
    bool is_disconnected() const
    {
        if (!m_state)
            return true;
        std::lock_guard lock(m_state->mutex);
        return m_state->senders == 0 && m_state->items.empty();
    }

private:
    void close()
    {
        if (!m_state)
            return;
        {
            std::lock_guard lock(m_state->mutex);
            m_state->receiver_alive = false;
            m_state->items.clear();
        }
        m_state->writable.notify_all();
    }

    std::shared_ptr<detail::QueueState<T>> m_state;
};

// A queue holding at most `capacity` values (at least one).
template<typename T>
std::pair<Sender<T>, Receiver<T>> bounded_queue(std::size_t capacity)
{
    auto state = std::make_shared<detail::QueueState<T>>();
    state->capacity = capacity == 0 ? 1 : capacity;
    return { Sender<T>(state), Receiver<T>(state) };
}

template<typename T>
std::pair<Sender<T>, Receiver<T>> unbounded_queue()
{
    auto state = std::make_shared<detail::QueueState<T>>();
    return { Sender<T>(state), Receiver<T>(state) };
}

}
