#pragma once

#include <memory>
#include <string_view>

#include <spdlog/spdlog.h>

namespace kaso::log {

// Installs the process-wide console logger (standard error). Events name their target, the
// module they come from, and carry their fields as key=value after the message:
//   kaso::log::target("vexa::app")->warn("history store unavailable error={}", message);
void install();

// The logger of one target ("vexa::app", "vexa::api", "vexa::history_store"); made on first use.
std::shared_ptr<spdlog::logger> target(std::string_view name);

// Writes out everything buffered; called before the process ends.
void flush();

}
