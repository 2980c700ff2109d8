#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "src/model/Comment.h"
#include "src/model/Segment.h"

namespace vexa {

// One video of the catalogue.
struct Video {
    std::string id;
    std::string title;                        // as published
    std::optional<std::string> dearrow_title; // replacement title, when one is known
    std::string channel_id;
    std::string channel_name;
    std::string channel_seed;       // seed of the creator's placeholder colours
    std::string channel_avatar_url; // empty when unknown
    uint64_t views { 0 };
    std::string published; // display text, e.g. "3 days ago"
    uint32_t duration { 0 }; // seconds; 0 when unknown
    std::string description;
    uint64_t likes { 0 };
    std::string seed;          // seed of the thumbnail placeholder's colours
    std::string thumbnail_url; // empty when unknown
    std::string category;      // topic; drives the related fallback and local search
    bool dearrow_thumb { false }; // set by the sample catalogue only
    std::vector<Segment> sponsor;  // in the order received
    std::vector<Comment> comments; // in the order received
    bool live { false };

    bool operator==(Video const&) const = default;
};

}
