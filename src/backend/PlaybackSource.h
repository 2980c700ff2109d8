#pragma once

#include <cstdint>
#include <string>

namespace vexa {

// A directly playable stream.
struct PlaybackSource {
    std::string url; // empty counts as no source
    std::string quality; // short label shown to the user, e.g. "720p"
    std::string mime;    // container and codec description
    int32_t width { 0 };  // pixels, 0 when unknown
    int32_t height { 0 }; // pixels, 0 when unknown
    bool has_audio { false };
    uint8_t fps { 1 }; // 1..255

    bool operator==(PlaybackSource const&) const = default;
};

}
