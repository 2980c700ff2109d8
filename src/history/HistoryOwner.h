#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vexa {

// The identity the owner-local watch history is stored under: "user:" and a stable id. Taken
// from the owner file "history-owner" in kaso/vexa under the local data directory (made on
// first use with a random id), or, when that file can be neither read nor written, from a hash
// of the user and host names. Never fails; every call runs the whole procedure again.
std::string history_owner_id();

// The same, with the base directory given (none: the temporary directory).
std::string history_owner_id_in(std::optional<std::filesystem::path> const& base_directory);

// 64-bit FNV-1a of the bytes.
uint64_t fnv1a_64(std::string_view bytes);

// A random version-4 UUID in its simple form: 32 lowercase hexadecimal digits.
std::string random_uuid_simple();

}
