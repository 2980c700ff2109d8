#include "src/history/HistoryOwner.h"

#include <cstdlib>
#include <fmt/format.h>
#include <fstream>
#include <glib.h>
#include <random>

#include "kaso/platform/Xdg.h"

namespace vexa {

namespace {

constexpr std::string_view prefix = "user:";

std::optional<std::string> read_owner_file(std::filesystem::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad() || !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return std::nullopt;
    if (!text.starts_with(prefix) || text.size() < prefix.size() + 1)
        return std::nullopt;
    return text;
}

bool write_owner_file(std::filesystem::path const& path, std::string const& owner)
{
    if (!path.has_parent_path())
        return false;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error)
        return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file << owner;
    file.flush();
    return static_cast<bool>(file);
}

// An environment variable that is set and valid UTF-8.
std::optional<std::string> environment_text(char const* name)
{
    char const* value = std::getenv(name);
    if (!value || !g_utf8_validate(value, -1, nullptr))
        return std::nullopt;
    return std::string(value);
}

}

uint64_t fnv1a_64(std::string_view bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string random_uuid_simple()
{
    std::random_device device;
    uint8_t bytes[16];
    for (auto& byte : bytes)
        byte = static_cast<uint8_t>(device());
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3f) | 0x80);
    std::string out;
    for (auto byte : bytes)
        out += fmt::format("{:02x}", byte);
    return out;
}

std::string history_owner_id_in(std::optional<std::filesystem::path> const& base_directory)
{
    auto base = base_directory ? *base_directory : std::filesystem::temp_directory_path();
    auto path = base / "kaso" / "vexa" / "history-owner";
    if (auto owner = read_owner_file(path))
        return *owner;

    auto fresh = fmt::format("{}{}", prefix, random_uuid_simple());
    if (write_owner_file(path, fresh))
        return fresh;

    auto user = environment_text("USER");
    if (!user)
        user = environment_text("USERNAME");
    auto host = environment_text("HOSTNAME").value_or("");
    auto joined = fmt::format("{}@{}", user.value_or(""), host);
    if (joined == "@")
        return fresh;
    return fmt::format("{}{:016x}", prefix, fnv1a_64(joined));
}

std::string history_owner_id() { return history_owner_id_in(kaso::platform::data_dir()); }

}
