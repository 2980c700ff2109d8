#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "kaso/platform/Error.h"

namespace kaso::platform {

// The user's base directories: $XDG_DATA_HOME or ~/.local/share, $XDG_STATE_HOME or
// ~/.local/state. Relative values of the variables are ignored, as the XDG rules say. None when
// neither the variable nor a home directory is known.
std::optional<std::filesystem::path> data_dir();
std::optional<std::filesystem::path> state_dir();

// The relative folder an application keeps its files in under a base directory: the labels of
// its reverse-DNS identifier after the first, one folder each ("io.kaso.vexa" keeps them in
// "kaso/vexa"). An identifier of fewer than two labels, with an empty label, or with a
// character other than a letter, digit, '-' or '_' in a label is refused.
ErrorOr<std::filesystem::path> application_folder(std::string_view application_id);

}
