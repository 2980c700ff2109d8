#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <sys/types.h>
#include <vector>

#include "kaso/platform/Error.h"

namespace kaso::platform {

// Replaces the whole file at `path` with `bytes`: the bytes go to a temporary file in the same
// directory, are flushed to disk, and the temporary is renamed over the target, so a reader sees
// either the old file or the new one, never a mix. Missing parent directories are created (mode
// 0700 when a file mode is given, else the process default). With `mode`, the file gets exactly
// that mode.
ErrorOr<void> write_file_atomically(std::filesystem::path const& path, std::span<std::byte const> bytes,
    std::optional<mode_t> mode = std::nullopt);

// Removes the temporaries that interrupted `write_file_atomically` calls for `path` left beside
// it ("<file name>.<16 lower-case hex digits>.tmp"). Only safe while no other writer of `path`
// runs, e.g. under a lock that every writer takes.
void remove_atomic_write_temporaries(std::filesystem::path const& path);

// Reads a whole file, refusing one larger than `limit` bytes.
ErrorOr<std::vector<std::byte>> read_file_bounded(std::filesystem::path const& path, std::size_t limit);

}
