#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "kaso/ui/Color.h"

// Small formatting helpers the pages use for model values.
namespace vexa {

// "1.2K views".
std::string format_view_count(uint64_t count);
// "4:05", "1:02:03"; negative seconds read as zero.
std::string format_timecode(double seconds);
// Trimmed and lowercased: the key under which creators with the same name share an avatar.
std::string normalized_name(std::string_view name);
// The first character of each of the first two words, ASCII letters upper-cased; "?" for no word.
std::string initials_of(std::string_view name);
// The two placeholder colours derived from a seed text.
std::array<kaso::ui::Color, 2> avatar_colors(std::string_view seed);
// The owner id of a model with no resolved history owner.
inline constexpr std::string_view local_profile_id { "profile:local" };

}
