#include "kaso/media/SeekQueue.h"

namespace kaso::media {

void SeekQueue::request(uint64_t target_ms)
{
    m_waiting = target_ms;
}

std::optional<uint64_t> SeekQueue::start_next(bool prerolled)
{
    if (!prerolled || m_in_flight || !m_waiting)
        return std::nullopt;
    m_in_flight = m_waiting;
    m_waiting.reset();
    return m_in_flight;
}

void SeekQueue::finish()
{
    m_in_flight.reset();
}

void SeekQueue::clear()
{
    m_waiting.reset();
    m_in_flight.reset();
}

std::optional<uint64_t> SeekQueue::target_ms() const
{
    return m_waiting ? m_waiting : m_in_flight;
}

}
