#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::sync::test {

std::vector<uint8_t> from_hex(std::string_view hex);
std::string to_hex(std::span<uint8_t const> bytes);
std::vector<uint8_t> bytes_of(std::string_view text);

// The folder of the sync fixtures, found through VEXA_SOURCE_DIR.
std::filesystem::path fixture_path(std::string_view name);
std::filesystem::path source_path(std::string_view relative);
std::string read_text_file(std::filesystem::path const& path);

}
