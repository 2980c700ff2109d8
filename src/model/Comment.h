#pragma once

#include <cstdint>
#include <string>

namespace vexa {

// One comment of a video.
struct Comment {
    std::string author;
    std::string initials; // shown in the author's avatar circle
    std::string text;
    uint64_t likes { 0 };
    std::string time_ago; // relative time as display text
    bool pinned { false };
    bool hearted { false }; // the creator's heart
    uint32_t replies { 0 };

    bool operator==(Comment const&) const = default;
};

}
