#include "kaso/platform/Xdg.h"

#include <cstdlib>
#include <fmt/format.h>
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

ErrorOr<std::filesystem::path> application_folder(std::string_view application_id)
{
    auto refuse = [&](char const* why) {
        return make_error(fmt::format("application id: {} {}", debug_text(application_id), why));
    };
    auto is_label_character = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    };
    std::filesystem::path folder;
    size_t labels = 0;
    size_t start = 0;
    while (true) {
        auto dot = application_id.find('.', start);
        auto label = application_id.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty())
            return refuse("has an empty label");
        for (char c : label) {
            if (!is_label_character(c))
                return refuse("has a character that cannot name a folder");
        }
        // The first label is the top-level domain and names no folder.
        if (labels++ > 0)
            folder /= std::string(label);
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (labels < 2)
        return refuse("needs at least two labels");
    return folder;
}

}
