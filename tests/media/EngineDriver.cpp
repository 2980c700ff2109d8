#include "tests/media/EngineDriver.h"

#include <set>
#include <thread>

namespace kaso::media::testing {

void EngineDriver::poll_once()
{
    for (auto& event : m_engine.poll())
        m_events.push_back(std::move(event));
}

bool EngineDriver::pump_until(std::function<bool()> const& done, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        poll_once();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void EngineDriver::pump_for(std::chrono::milliseconds duration)
{
    pump_until([] { return false; }, duration);
}

size_t EngineDriver::count_distinct_frames(size_t count, std::chrono::milliseconds timeout)
{
    std::set<uint64_t> seen;
    pump_until(
        [&] {
            if (auto frame = m_engine.current_frame())
                seen.insert(sampled_checksum(frame->bytes));
            return seen.size() >= count;
        },
        timeout);
    return seen.size();
}

uint64_t sampled_checksum(std::span<uint8_t const> bytes)
{
    uint64_t hash = 0x14650fb0739d0383ULL;
    for (size_t index = 0; index < bytes.size(); index += 97) {
        hash ^= bytes[index];
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

}
