#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace kaso::media {

enum class EngineKind : unsigned char {
    Real,         // playbin decoding the opened address
    Synthesized,  // a moving test picture, 600 s long; not real media
    Null,         // GStreamer or an element it needs is missing: never a picture
};

// What the pipeline is doing, as far as the last poll saw.
enum class PlaybackState : unsigned char {
    Idle,     // nothing opened
    Loading,  // opened, the first picture not yet decoded
    Paused,
    Playing,
    Ended,    // end of stream reached
    Failed,   // an error stopped the stream; open again to retry
};

char const* playback_state_name(PlaybackState);

struct StateChanged {
    PlaybackState state;
};

// The network source's fill level; playback holds while it is below 100.
struct BufferingChanged {
    uint8_t percent;
};

struct DurationKnown {
    uint64_t duration_ms;
};

// The first picture after open arrived: the source is ready to show.
struct FirstFrame {
    uint32_t width;
    uint32_t height;
    uint64_t pts_ms;
};

// The picture at the seek target arrived (or the stream ended before it).
struct SeekCompleted {
    uint64_t position_ms;
};

struct EndOfStream { };

struct MediaError {
    std::string message;
};

using MediaEvent = std::variant<StateChanged, BufferingChanged, DurationKnown, FirstFrame, SeekCompleted,
    EndOfStream, MediaError>;

}
