#pragma once

#include <cstdint>

namespace kaso::platform {

// The system clock as whole milliseconds since the Unix epoch: 0 before the epoch, saturating at
// the largest value.
uint64_t unix_time_ms();

// Whole seconds since the Unix epoch, with the same rules.
uint64_t unix_time_seconds();

// A monotonic clock in milliseconds, for deadlines and frame pacing.
uint64_t monotonic_ms();

}
