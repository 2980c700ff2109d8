#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kaso::media {

// What the desktop's media controls show about the current item.
struct NowPlaying {
    std::string video_id;
    std::string title;
    std::string artist;             // the creator's name
    std::string art_url;            // thumbnail address; empty when none
    std::optional<uint64_t> length_ms;

    bool operator==(NowPlaying const&) const = default;
};

}
