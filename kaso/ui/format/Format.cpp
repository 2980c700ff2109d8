#include "kaso/ui/format/Format.h"

#include <cmath>
#include <limits>

#include <fmt/format.h>

namespace kaso::ui::format {

namespace {

// One decimal under ten units ("1.2K"), none from ten up ("12K"); ".0" is dropped.
std::string scaled(uint64_t count, uint64_t unit, char suffix)
{
    auto whole = count / unit;
    if (whole >= 10)
        return fmt::format("{}{}", whole, suffix);
    auto tenth = (count % unit) / (unit / 10);
    if (tenth == 0)
        return fmt::format("{}{}", whole, suffix);
    return fmt::format("{}.{}{}", whole, tenth, suffix);
}

std::string plural(int64_t amount, char const* unit)
{
    return fmt::format("{} {}{} ago", amount, unit, amount == 1 ? "" : "s");
}

}

std::string compact_count(uint64_t count)
{
    constexpr uint64_t thousand = 1'000;
    constexpr uint64_t million = 1'000'000;
    constexpr uint64_t billion = 1'000'000'000;
    if (count < thousand)
        return fmt::format("{}", count);
    if (count < million)
        return scaled(count, thousand, 'K');
    if (count < billion)
        return scaled(count, million, 'M');
    return scaled(count, billion, 'B');
}

std::string timecode(double seconds)
{
    // Clamp before converting: out-of-range float-to-integer casts are undefined.
    constexpr double largest = static_cast<double>(std::numeric_limits<int64_t>::max() / 2);
    uint64_t total = 0;
    if (std::isnan(seconds) || seconds <= 0.0)
        total = 0;
    else if (seconds >= largest)
        total = static_cast<uint64_t>(largest);
    else
        total = static_cast<uint64_t>(std::floor(seconds));
    auto hours = total / 3600;
    auto minutes = (total % 3600) / 60;
    auto secs = total % 60;
    if (hours > 0)
        return fmt::format("{}:{:02}:{:02}", hours, minutes, secs);
    return fmt::format("{}:{:02}", minutes, secs);
}

std::string relative(int64_t seconds_ago)
{
    constexpr int64_t minute = 60;
    constexpr int64_t hour = 60 * minute;
    constexpr int64_t day = 24 * hour;
    constexpr int64_t month = 30 * day;
    constexpr int64_t year = 365 * day;
    if (seconds_ago < minute)
        return "just now";
    if (seconds_ago < hour)
        return plural(seconds_ago / minute, "minute");
    if (seconds_ago < day)
        return plural(seconds_ago / hour, "hour");
    if (seconds_ago < month)
        return plural(seconds_ago / day, "day");
    if (seconds_ago < year)
        return plural(seconds_ago / month, "month");
    return plural(seconds_ago / year, "year");
}

}
