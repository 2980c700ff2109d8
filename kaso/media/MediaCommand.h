#pragma once

#include <cstdint>

namespace kaso::media {

// A request the desktop's media controls made of the player.
struct MediaCommand {
    enum class Kind : unsigned char {
        Play,
        Pause,
        PlayPause,
        Stop,
        Next,
        Previous,
        SeekBy,       // milliseconds: a signed offset from the current position
        SetPosition,  // milliseconds: an absolute position, never negative
    };

    Kind kind { Kind::Play };
    int64_t milliseconds { 0 };

    bool operator==(MediaCommand const&) const = default;
};

}
