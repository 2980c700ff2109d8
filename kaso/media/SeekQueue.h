#pragma once

#include <cstdint>
#include <optional>

namespace kaso::media {

// The seeks of one open source. A seek asked for before the first picture waits for it; a seek
// asked for while another runs waits for that one to land; and of all the seeks waiting only the
// last is kept, so a burst of seeks (a dragged timeline) runs at most two: the one in flight and
// the newest.
class SeekQueue {
public:
    // Keeps `target_ms` as the seek to run next, replacing any seek still waiting.
    void request(uint64_t target_ms);

    // The seek to send now, when the pipeline can take one (it has prerolled) and none is in
    // flight; it becomes the seek in flight. Otherwise none.
    std::optional<uint64_t> start_next(bool prerolled);

    // The seek in flight landed (or was dropped); the next waiting seek may start.
    void finish();

    // Forgets every seek: a new source, or the pipeline failed.
    void clear();

    // Where the playhead is going: the newest seek asked for, waiting or in flight.
    std::optional<uint64_t> target_ms() const;

    std::optional<uint64_t> in_flight_ms() const { return m_in_flight; }
    std::optional<uint64_t> waiting_ms() const { return m_waiting; }

private:
    std::optional<uint64_t> m_waiting;
    std::optional<uint64_t> m_in_flight;
};

}
