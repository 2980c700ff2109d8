#include "tests/sync/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <span>
#include <sstream>

namespace vexa::sync::test {

std::vector<uint8_t> from_hex(std::string_view hex)
{
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::string to_hex(std::span<uint8_t const> bytes)
{
    static char const digits[] = "0123456789abcdef";
    std::string text;
    for (auto byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

std::vector<uint8_t> bytes_of(std::string_view text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::filesystem::path source_path(std::string_view relative)
{
    char const* root = std::getenv("VEXA_SOURCE_DIR");
    std::filesystem::path base = root ? root : VEXA_DEFAULT_SOURCE_DIR;
    return base / relative;
}

std::filesystem::path fixture_path(std::string_view name)
{
    return source_path("tests/fixtures/sync") / name;
}

std::string read_text_file(std::filesystem::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream buffer;
    buffer << file.rdbuf();
    return buffer.str();
}

}
