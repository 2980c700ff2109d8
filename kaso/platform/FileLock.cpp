#include "kaso/platform/FileLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kaso::platform {

FileStamp FileStamp::of(struct stat const& status)
{
    return FileStamp { status.st_dev, status.st_ino, status.st_size, int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec };
}

ErrorOr<std::optional<FileStamp>> file_stamp(std::filesystem::path const& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::optional<FileStamp> {};
        return make_error(fmt::format("cannot inspect {}: {}", path.string(), std::strerror(errno)));
    }
    return std::optional<FileStamp>(FileStamp::of(status));
}

ErrorOr<FileLock> FileLock::take(std::filesystem::path const& guarded_file)
{
    auto path = guarded_file;
    path += ".lock";
    std::filesystem::path partial;
    for (auto const& part : path.parent_path()) {
        partial /= part;
        ::mkdir(partial.c_str(), 0700); // an existing folder is left as it is
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return make_error(fmt::format("cannot open the lock file {}: {}", path.string(), std::strerror(errno)));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return make_error(fmt::format("the lock file {} is not a regular file", path.string()));
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        int saved = errno;
        ::close(fd);
        return make_error(fmt::format("cannot lock {}: {}", path.string(), std::strerror(saved)));
    }
    return FileLock(fd);
}

FileLock::FileLock(FileLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

}
