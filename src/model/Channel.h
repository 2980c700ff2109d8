#pragma once

#include <cstdint>
#include <string>

namespace vexa {

// One creator.
struct Channel {
    std::string id;
    std::string name;   // display name
    std::string handle; // handle or site path; a stub record repeats the id
    uint64_t subscribers { 0 };
    bool verified { false };
    std::string description;
    std::string seed;       // seed of the placeholder colours
    std::string avatar_url; // empty when unknown
    std::string banner_url; // empty when unknown

    bool operator==(Channel const&) const = default;
};

}
