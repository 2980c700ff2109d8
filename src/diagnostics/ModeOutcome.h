#pragma once

#include "kaso/platform/Error.h"

namespace vexa {

// How a diagnostic mode ended, short of an error: the process exits with this status once the
// entry point has flushed its streams. An error ends it with status 1 after "Error: ".
enum class ExitStatus : int {
    Success = 0,
    NoResults = 2, // a content probe got no result at all
    NoFrame = 3,   // the media engine probe saw no picture
};

using ModeOutcome = kaso::ErrorOr<ExitStatus>;

}
