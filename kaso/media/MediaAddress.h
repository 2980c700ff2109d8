#pragma once

#include <string>
#include <string_view>

#include "kaso/platform/Error.h"

namespace kaso::media {

// The address as the real engine hands it to GStreamer: http, https or file, with a host (or
// for file an absolute path) and no whitespace or control characters. Anything else is refused
// with a message, before a pipeline is built.
ErrorOr<std::string> checked_media_address(std::string_view address);

}
