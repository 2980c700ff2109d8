#pragma once

#include <cstdint>
#include "base/ErrorOr.h"
#include "kaso/platform/FileLock.h"
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vexa {

// The file-level pieces of the history store: the checked read of the history file and the lock
// file beside it.

// An error of the store's file handling: its text, and whether it is of the permission-denied kind.
struct HistoryFileError {
    std::string message;
    bool permission_denied { false };
};

template<typename T>
using HistoryFileResult = base::ErrorOr<T, HistoryFileError>;

// Which file a path named when it was read or written: a new inode, size or time means another
// process replaced it.
using FileStamp = kaso::platform::FileStamp;

struct HistoryFileBytes {
    std::vector<uint8_t> bytes;
    FileStamp stamp;
};

inline constexpr size_t history_file_limit = 4194304;

// An OS error as text: "<strerror> (os error <n>)".
HistoryFileError os_error(int number);

// Reads the history file after checking it (a regular file, not a link, owned by the effective
// user, at most 4 MiB; the same file once open, opened with O_NOFOLLOW | O_NONBLOCK), setting
// its mode to 0600 when it is not. Errors carry the store's texts.
HistoryFileResult<HistoryFileBytes> read_history_file(std::filesystem::path const& path);

// The stamp of what `path` names now, none when nothing is there.
HistoryFileResult<std::optional<FileStamp>> stamp_of(std::filesystem::path const& path);

// An exclusive flock on "<history file>.lock", a file that is never replaced (a lock on the
// history file itself would go with every rename). Released when destroyed.
class HistoryLock {
public:
    static HistoryFileResult<HistoryLock> acquire(std::filesystem::path const& history_path);
    HistoryLock(HistoryLock&& other) noexcept;
    HistoryLock& operator=(HistoryLock&&) = delete;
    HistoryLock(HistoryLock const&) = delete;
    ~HistoryLock();

private:
    explicit HistoryLock(int fd)
        : m_fd(fd)
    {
    }
    int m_fd { -1 };
};

}
