#include "kaso/platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kaso::platform {

namespace {

std::string errno_text() { return std::strerror(errno); }

ErrorOr<void> create_directories(std::filesystem::path const& directory, std::optional<mode_t> mode)
{
    if (directory.empty())
        return {};
    std::error_code error;
    if (std::filesystem::is_directory(directory, error))
        return {};
    TRY(create_directories(directory.parent_path(), mode));
    if (::mkdir(directory.c_str(), mode ? 0700 : 0777) != 0 && errno != EEXIST)
        return make_error(fmt::format("atomic write: cannot create directory {}: {}", directory.string(), errno_text()));
    return {};
}

// The temporary beside `path`: "<file name>.<16 lower-case hex digits>.tmp".
constexpr size_t suffix_digits = 16;
constexpr std::string_view temporary_extension = ".tmp";

std::string random_suffix()
{
    std::random_device device;
    return fmt::format("{:08x}{:08x}", device(), device());
}

bool is_temporary_of(std::string_view name, std::string_view target_name)
{
    if (name.size() != target_name.size() + 1 + suffix_digits + temporary_extension.size())
        return false;
    if (!name.starts_with(target_name) || name[target_name.size()] != '.' || !name.ends_with(temporary_extension))
        return false;
    auto digits = name.substr(target_name.size() + 1, suffix_digits);
    return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}

ErrorOr<void> write_file_atomically(std::filesystem::path const& path, std::span<std::byte const> bytes, std::optional<mode_t> mode)
{
    TRY(create_directories(path.parent_path(), mode));
    auto temporary = path;
    temporary += fmt::format(".{}{}", random_suffix(), temporary_extension);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode.value_or(0666));
    if (fd < 0)
        return make_error(fmt::format("atomic write: cannot create {}: {}", temporary.string(), errno_text()));
    auto fail = [&](std::string what) -> ErrorOr<void> {
        auto message = fmt::format("atomic write: {} {}: {}", what, temporary.string(), errno_text());
        ::close(fd);
        ::unlink(temporary.c_str());
        return make_error(std::move(message));
    };
    if (mode && ::fchmod(fd, *mode) != 0)
        return fail("cannot set the mode of");
    auto const* data = reinterpret_cast<char const*>(bytes.data());
    std::size_t left = bytes.size();
    while (left > 0) {
        auto written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot write");
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0)
        return fail("cannot flush");
    if (::close(fd) != 0) {
        ::unlink(temporary.c_str());
        return make_error(fmt::format("atomic write: cannot close {}: {}", temporary.string(), errno_text()));
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        auto message = fmt::format("atomic write: cannot replace {}: {}", path.string(), errno_text());
        ::unlink(temporary.c_str());
        return make_error(std::move(message));
    }
    return {};
}

void remove_atomic_write_temporaries(std::filesystem::path const& path)
{
    auto target_name = path.filename().string();
    std::error_code error;
    for (auto const& entry : std::filesystem::directory_iterator(path.parent_path(), error)) {
        if (!is_temporary_of(entry.path().filename().string(), target_name))
            continue;
        std::error_code ignored;
        std::filesystem::remove(entry.path(), ignored);
    }
}

ErrorOr<std::vector<std::byte>> read_file_bounded(std::filesystem::path const& path, std::size_t limit)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return make_error(fmt::format("read: cannot open {}: {}", path.string(), errno_text()));
    std::vector<std::byte> bytes;
    std::byte buffer[65536];
    while (true) {
        auto got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            auto message = fmt::format("read: cannot read {}: {}", path.string(), errno_text());
            ::close(fd);
            return make_error(std::move(message));
        }
        if (got == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(got) > limit) {
            ::close(fd);
            return make_error(fmt::format("read: {} exceeds {} bytes", path.string(), limit));
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::close(fd);
    return bytes;
}

}
