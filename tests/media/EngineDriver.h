#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "kaso/media/MediaEngine.h"

namespace kaso::media::testing {

// Polls an engine the way the UI thread does and keeps every event it has seen, so tests wait on
// conditions with deadlines instead of sleeping.
class EngineDriver {
public:
    explicit EngineDriver(MediaEngine& engine)
        : m_engine(engine)
    {
    }

    // Polls until `done` holds or `timeout` passes; returns whether it held.
    bool pump_until(std::function<bool()> const& done, std::chrono::milliseconds timeout);
    // Polls for the whole of `duration`, whatever happens.
    void pump_for(std::chrono::milliseconds duration);

    template<typename Event>
    std::vector<Event> events_of() const
    {
        std::vector<Event> found;
        for (auto const& event : m_events)
            if (auto const* match = std::get_if<Event>(&event))
                found.push_back(*match);
        return found;
    }

    template<typename Event>
    bool saw() const
    {
        return !events_of<Event>().empty();
    }

    template<typename Event>
    bool wait_for(std::chrono::milliseconds timeout)
    {
        return pump_until([&] { return saw<Event>(); }, timeout);
    }

    void forget_events() { m_events.clear(); }
    std::vector<MediaEvent> const& events() const { return m_events; }

    // Polls until `count` pictures with different contents were seen; returns how many were.
    size_t count_distinct_frames(size_t count, std::chrono::milliseconds timeout);

private:
    void poll_once();

    MediaEngine& m_engine;
    std::vector<MediaEvent> m_events;
};

// A 64-bit checksum over every 97th byte of a picture, enough to tell frames apart.
uint64_t sampled_checksum(std::span<uint8_t const> bytes);

}
