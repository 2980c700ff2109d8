#pragma once

#include <cstdint>
#include <string>

namespace kaso::ui::format {

// A count in the compact form of listings: 999, 1K, 1.2K, 12K, 999K, 1M, 1.2M, 3.4B. Digits
// past the shown ones are cut, never rounded up, so a count never shows more than it is.
std::string compact_count(uint64_t count);

// A duration as "m:ss", or "h:mm:ss" from one hour up. Fractions of a second are cut; negative
// and NaN values read as zero, and values beyond the largest whole second are clamped.
std::string timecode(double seconds);

// An age in words: "just now", "1 minute ago", "5 hours ago", "3 days ago", "2 months ago",
// "1 year ago". Negative ages (a clock behind the event) read as "just now".
std::string relative(int64_t seconds_ago);

}
