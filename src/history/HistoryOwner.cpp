#include "src/history/HistoryOwner.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fmt/format.h>
#include <glib.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "kaso/platform/Xdg.h"

namespace vexa {

namespace {

constexpr std::string_view prefix = "user:";

constexpr size_t owner_file_limit = 4096;

// The owner file's text when it is acceptable: a regular file (never followed through a link,
// never a FIFO or device, which O_NONBLOCK keeps from blocking), at most 4 KiB, UTF-8,
// beginning with "user:" and longer than that prefix.
std::optional<std::string> read_owner_file(std::filesystem::path const& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text;
    char buffer[owner_file_limit + 1];
    while (text.size() <= owner_file_limit) {
        auto got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    if (text.size() > owner_file_limit || !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return std::nullopt;
    if (!text.starts_with(prefix) || text.size() < prefix.size() + 1)
        return std::nullopt;
    return text;
}

// A directory the owner file may live in under the shared temporary directory: one the user
// owns and nobody else may write into, so no other user can plant or swap the file.
bool is_private_directory(std::filesystem::path const& directory)
{
    struct stat status {};
    if (::lstat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    return status.st_uid == ::geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool make_owner_directories(std::filesystem::path const& base, bool under_temporary)
{
    std::error_code error;
    if (!under_temporary) {
        std::filesystem::create_directories(base / "kaso" / "vexa", error);
        return !error;
    }
    for (auto const& directory : { base / "kaso", base / "kaso" / "vexa" }) {
        if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (!is_private_directory(directory))
            return false;
    }
    return true;
}

// Writes a temporary file with mode 0600 beside the owner file, flushed; its path on success.
std::optional<std::filesystem::path> write_temporary(std::filesystem::path const& path, std::string const& owner)
{
    auto temporary = path;
    temporary += fmt::format(".{}.tmp", random_uuid_simple().substr(0, 16));
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::nullopt;
    size_t done = 0;
    bool ok = true;
    while (done < owner.size()) {
        auto written = ::write(fd, owner.data() + done, owner.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(written);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(temporary.c_str());
        return std::nullopt;
    }
    return temporary;
}

// Puts `fresh` in place as the owner file and returns the identifier the file then holds. With
// no file there, the temporary is linked into place, so the file never appears half written and
// a process that linked first wins (its identifier is returned). An unacceptable file is
// replaced by renaming the temporary over it.
std::optional<std::string> install_owner_file(std::filesystem::path const& path, std::string const& fresh)
{
    auto temporary = write_temporary(path, fresh);
    if (!temporary)
        return std::nullopt;
    std::optional<std::string> result;
    if (::link(temporary->c_str(), path.c_str()) == 0) {
        result = fresh;
    } else if (errno == EEXIST) {
        result = read_owner_file(path);
        if (!result && ::rename(temporary->c_str(), path.c_str()) == 0)
            result = read_owner_file(path);
    }
    ::unlink(temporary->c_str());
    return result;
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
    bool under_temporary = !base_directory;
    std::error_code error;
    auto base = base_directory ? *base_directory : std::filesystem::temp_directory_path(error);
    auto fresh = fmt::format("{}{}", prefix, random_uuid_simple());
    if (!error && make_owner_directories(base, under_temporary)) {
        auto path = base / "kaso" / "vexa" / "history-owner";
        if (auto owner = read_owner_file(path))
            return *owner;
        if (auto owner = install_owner_file(path, fresh))
            return *owner;
    }

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
