#pragma once

// Internal to kaso/media: GStreamer's one-time start-up and element look-ups.

#include <initializer_list>
#include <string_view>

#include "kaso/platform/Error.h"

namespace kaso::media::gst_runtime {

// Starts GStreamer once per process (thread-safe); later calls return the first outcome.
ErrorOr<void> ensure_started();

// Starts GStreamer and checks that every named element can be made; the error names the first
// element that is missing.
ErrorOr<void> require_elements(std::initializer_list<std::string_view> names);

}
