#include "kaso/platform/Clock.h"

#include <chrono>
#include <limits>

namespace kaso::platform {

namespace {

template<typename Unit>
uint64_t since_epoch()
{
    auto count = std::chrono::duration_cast<Unit>(std::chrono::system_clock::now().time_since_epoch()).count();
    if (count <= 0)
        return 0;
    if (static_cast<unsigned long long>(count) > std::numeric_limits<uint64_t>::max())
        return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(count);
}

}

uint64_t unix_time_ms() { return since_epoch<std::chrono::milliseconds>(); }

uint64_t unix_time_seconds() { return since_epoch<std::chrono::seconds>(); }

uint64_t monotonic_ms()
{
    auto count = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    return count <= 0 ? 0 : static_cast<uint64_t>(count);
}

}
