#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "kaso/ui/format/Format.h"

namespace {

using namespace kaso::ui::format;

TEST(CompactCount, CutsAtEachUnitBoundaryWithoutRoundingUp)
{
    struct Case {
        uint64_t count;
        char const* expected;
    };
    Case const cases[] = {
        { 0, "0" },
        { 7, "7" },
        { 999, "999" },
        { 1'000, "1K" },
        { 1'049, "1K" },
        { 1'200, "1.2K" },
        { 1'299, "1.2K" },
        { 9'999, "9.9K" },
        { 10'000, "10K" },
        { 12'900, "12K" },
        { 999'999, "999K" },
        { 1'000'000, "1M" },
        { 1'200'000, "1.2M" },
        { 23'000'000, "23M" },
        { 999'999'999, "999M" },
        { 1'000'000'000, "1B" },
        { 3'450'000'000, "3.4B" },
        { std::numeric_limits<uint64_t>::max(), "18446744073B" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(compact_count(c.count), c.expected) << c.count;
}

TEST(Timecode, MinutesUnderAnHourAndHoursFromOneHourUp)
{
    struct Case {
        double seconds;
        char const* expected;
    };
    Case const cases[] = {
        { 0.0, "0:00" },
        { 0.99, "0:00" },
        { 5.0, "0:05" },
        { 59.9, "0:59" },
        { 60.0, "1:00" },
        { 754.0, "12:34" },
        { 3599.0, "59:59" },
        { 3600.0, "1:00:00" },
        { 3725.0, "1:02:05" },
        { 36'000.0, "10:00:00" },
        { 2 * 86'400.0 + 5.0, "48:00:05" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(timecode(c.seconds), c.expected) << c.seconds;
}

TEST(Timecode, NegativeAndNonFiniteValuesAreSafe)
{
    EXPECT_EQ(timecode(-12.0), "0:00");
    EXPECT_EQ(timecode(std::nan("")), "0:00");
    EXPECT_EQ(timecode(-std::numeric_limits<double>::infinity()), "0:00");
    // Clamped, not undefined: some finite text with hours.
    auto huge = timecode(std::numeric_limits<double>::infinity());
    EXPECT_NE(huge.find(':'), std::string::npos);
    EXPECT_EQ(huge, timecode(1e300));
}

TEST(Relative, WordsForEachRange)
{
    struct Case {
        int64_t seconds;
        char const* expected;
    };
    constexpr int64_t day = 86'400;
    Case const cases[] = {
        { -30, "just now" },
        { 0, "just now" },
        { 59, "just now" },
        { 60, "1 minute ago" },
        { 119, "1 minute ago" },
        { 120, "2 minutes ago" },
        { 3'599, "59 minutes ago" },
        { 3'600, "1 hour ago" },
        { 7'200, "2 hours ago" },
        { day, "1 day ago" },
        { 29 * day, "29 days ago" },
        { 30 * day, "1 month ago" },
        { 364 * day, "12 months ago" },
        { 365 * day, "1 year ago" },
        { 730 * day, "2 years ago" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(relative(c.seconds), c.expected) << c.seconds;
}

}
