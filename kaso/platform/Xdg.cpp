#include "kaso/platform/Xdg.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace kaso::platform {

namespace {

std::optional<std::filesystem::path> home_dir()
{
    if (char const* home = std::getenv("HOME"); home && *home == '/')
        return std::filesystem::path(home);
    if (auto* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return std::filesystem::path(entry->pw_dir);
    return std::nullopt;
}

std::optional<std::filesystem::path> base_dir(char const* variable, char const* fallback)
{
    if (char const* value = std::getenv(variable); value && *value == '/')
        return std::filesystem::path(value);
    if (auto home = home_dir())
        return *home / fallback;
    return std::nullopt;
}

}

std::optional<std::filesystem::path> data_dir() { return base_dir("XDG_DATA_HOME", ".local/share"); }

std::optional<std::filesystem::path> state_dir() { return base_dir("XDG_STATE_HOME", ".local/state"); }

}
