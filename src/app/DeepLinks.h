#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "src/model/VexaModel.h"

namespace vexa {

// The id after "vexa://watch/" or "vexa://channel/" (possibly empty); none for other texts.
std::optional<std::string> deep_link_watch_id(std::string_view link);
std::optional<std::string> deep_link_channel_id(std::string_view link);

// The search filter's response to a click on one result type (0 videos, 1 playlists,
// 2 creators): from "all" it narrows to that type; otherwise it flips the type, and turning the
// last one off shows everything again.
void toggle_result_type(ResultTypes& types, uint8_t type);

}
