#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

// One playlist.
struct Playlist {
    std::string id;
    std::string title;
    std::string channel_id;   // the owner's channel id
    std::string channel_name; // the owner's display name
    std::string thumbnail_url;
    std::string seed;                   // seed of the placeholder colours
    std::vector<std::string> video_ids; // playlist order; empty until the videos were fetched
    uint64_t video_count { 0 };         // as the source reports it

    bool operator==(Playlist const&) const = default;
};

}
