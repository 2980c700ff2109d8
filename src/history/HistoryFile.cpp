#include "src/history/HistoryFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vexa {

namespace {

HistoryFileError other(std::string message) { return HistoryFileError { .message = std::move(message), .permission_denied = false }; }
HistoryFileError denied(std::string message) { return HistoryFileError { .message = std::move(message), .permission_denied = true }; }

FileStamp stamp_from(struct stat const& status) { return FileStamp::of(status); }

// Closes the descriptor when it goes out of scope.
struct FileDescriptor {
    int fd { -1 };
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}

HistoryFileError os_error(int number)
{
    return HistoryFileError { fmt::format("{} (os error {})", std::strerror(number), number), number == EACCES || number == EPERM };
}

HistoryFileResult<HistoryFileBytes> read_history_file(std::filesystem::path const& path)
{
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0)
        return std::unexpected(os_error(errno));
    if (!S_ISREG(before.st_mode))
        return std::unexpected(other("history target is not a regular file"));
    if (before.st_uid != ::geteuid())
        return std::unexpected(denied("history file is not owned by the current user"));
    if (static_cast<uint64_t>(before.st_size) > history_file_limit)
        return std::unexpected(other("history file exceeds size limit"));

    // O_NONBLOCK: a FIFO swapped in after the lstat must not block start-up; fstat refuses it.
    FileDescriptor file { ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC) };
    if (file.fd < 0)
        return std::unexpected(os_error(errno));
    struct stat opened {};
    if (::fstat(file.fd, &opened) != 0)
        return std::unexpected(os_error(errno));
    if (!S_ISREG(opened.st_mode) || static_cast<uint64_t>(opened.st_size) > history_file_limit || opened.st_uid != ::geteuid()
        || opened.st_dev != before.st_dev || opened.st_ino != before.st_ino)
        return std::unexpected(other("history target changed while opening"));

    if ((opened.st_mode & 0777) != 0600) {
        if (::fchmod(file.fd, 0600) != 0)
            return std::unexpected(os_error(errno));
        if (::fstat(file.fd, &opened) != 0)
            return std::unexpected(os_error(errno));
        if ((opened.st_mode & 0777) != 0600)
            return std::unexpected(denied("could not enforce owner-only history file permissions"));
    }

    HistoryFileBytes out;
    out.stamp = stamp_from(opened);
    out.bytes.resize(static_cast<size_t>(opened.st_size) + 1);
    size_t filled = 0;
    while (true) {
        if (filled == out.bytes.size()) {
            if (out.bytes.size() > history_file_limit)
                break;
            out.bytes.resize(std::min(out.bytes.size() * 2, history_file_limit + 1));
        }
        auto got = ::read(file.fd, out.bytes.data() + filled, out.bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::unexpected(os_error(errno));
        if (got == 0)
            break;
        filled += static_cast<size_t>(got);
    }
    if (filled > history_file_limit)
        return std::unexpected(other("history read exceeds size limit"));
    out.bytes.resize(filled);
    return out;
}

HistoryFileResult<std::optional<FileStamp>> stamp_of(std::filesystem::path const& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return std::optional<FileStamp> {};
        return std::unexpected(os_error(errno));
    }
    return std::optional<FileStamp>(stamp_from(status));
}

HistoryFileResult<HistoryLock> HistoryLock::acquire(std::filesystem::path const& history_path)
{
    auto lock_path = history_path;
    lock_path += ".lock";
    int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unexpected(os_error(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::unexpected(other("history lock is not a regular file"));
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        auto error = os_error(errno);
        ::close(fd);
        return std::unexpected(error);
    }
    return HistoryLock(fd);
}

HistoryLock::HistoryLock(HistoryLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

HistoryLock::~HistoryLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

}
