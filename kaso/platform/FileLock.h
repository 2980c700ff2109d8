#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <sys/types.h>

#include "kaso/platform/Error.h"

struct stat;

namespace kaso::platform {

// Which file a path named when it was read or written: an atomic replacement always makes a new
// inode, so a different stamp means another process replaced the file.
struct FileStamp {
    dev_t device { 0 };
    ino_t inode { 0 };
    off_t size { 0 };
    int64_t modified_ns { 0 };
    bool operator==(FileStamp const&) const = default;

    static FileStamp of(struct stat const& status);
};

// The stamp of what `path` names now (the link itself for a link); none when nothing is there.
ErrorOr<std::optional<FileStamp>> file_stamp(std::filesystem::path const& path);

// An exclusive advisory lock (flock) on "<file>.lock" beside a file that is replaced atomically:
// a lock on the file itself would go with every rename, while the lock file is never replaced
// nor removed, so every process locks the same inode. Missing folders are made owner-only.
// Released when destroyed; taking it waits for whoever holds it.
class FileLock {
public:
    static ErrorOr<FileLock> take(std::filesystem::path const& guarded_file);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    FileLock(FileLock const&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd)
        : m_fd(fd)
    {
    }
    int m_fd { -1 };
};

}
