#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kaso/actions/ActionEmitter.h"

namespace kaso::search {

// One thing the runtime's search can find: what its row shows and the action that opens it.
struct SearchResult {
    std::string title;
    std::string subtitle;
    std::string group;          // the heading the row is listed under ("Videos")
    std::string resource;       // the address of the resource that holds the action
    std::string action;         // the action's id in that resource
    uint8_t icon { no_icon };   // a code of the runtime's icon set

    static constexpr uint8_t no_icon = 255;

    // The action this result opens; none while the resource or the action id is empty.
    std::optional<actions::ActionAddress> action_address() const;

    bool operator==(SearchResult const&) const = default;
};

}
