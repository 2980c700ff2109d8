#pragma once

#include <filesystem>
#include <optional>

namespace kaso::platform {

// The user's base directories: $XDG_DATA_HOME or ~/.local/share, $XDG_STATE_HOME or
// ~/.local/state. Relative values of the variables are ignored, as the XDG rules say. None when
// neither the variable nor a home directory is known.
std::optional<std::filesystem::path> data_dir();
std::optional<std::filesystem::path> state_dir();

}
