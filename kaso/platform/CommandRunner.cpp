#include "kaso/platform/CommandRunner.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include "kaso/platform/Clock.h"

extern char** environ;

namespace kaso::platform {

namespace {

std::unexpected<CommandError> failure(std::string message)
{
    return std::unexpected(CommandError { CommandErrorKind::Failed, std::move(message) });
}

std::unexpected<CommandError> refusal(std::string message)
{
    return std::unexpected(CommandError { CommandErrorKind::Refused, std::move(message) });
}

// Closes a descriptor once, on every path out of the run.
class FdGuard {
public:
    FdGuard() = default;
    explicit FdGuard(int fd)
        : m_fd(fd)
    {
    }
    FdGuard(FdGuard const&) = delete;
    FdGuard& operator=(FdGuard const&) = delete;
    ~FdGuard() { reset(); }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void adopt(int fd)
    {
        reset();
        m_fd = fd;
    }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd { -1 };
};

int status_of(int wait_status)
{
    if (WIFEXITED(wait_status))
        return WEXITSTATUS(wait_status);
    if (WIFSIGNALED(wait_status))
        return 128 + WTERMSIG(wait_status);
    return 1;
}

// Kills the child's whole process group and reaps the child.
void kill_and_reap(pid_t pid)
{
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    int wait_status = 0;
    while (::waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) { }
}

struct Stream {
    FdGuard fd;
    std::string* sink { nullptr };
    bool open { true };
};

}

base::ErrorOr<CommandOutput, CommandError> run_command(
    std::string const& program, std::vector<std::string> const& arguments, CommandLimits limits)
{
    if (program.empty())
        return refusal("command refused: the program name is empty");
    if (program.find('\0') != std::string::npos)
        return refusal("command refused: the program name holds a NUL byte");
    for (auto const& argument : arguments) {
        if (argument.find('\0') != std::string::npos)
            return refusal("command refused: an argument holds a NUL byte");
    }

    std::array<int, 2> out_pipe { -1, -1 };
    std::array<int, 2> err_pipe { -1, -1 };
    if (::pipe2(out_pipe.data(), O_CLOEXEC) != 0)
        return failure(fmt::format("cannot create a pipe: {}", std::strerror(errno)));
    FdGuard out_read(out_pipe[0]);
    FdGuard out_write(out_pipe[1]);
    if (::pipe2(err_pipe.data(), O_CLOEXEC) != 0)
        return failure(fmt::format("cannot create a pipe: {}", std::strerror(errno)));
    FdGuard err_read(err_pipe[0]);
    FdGuard err_write(err_pipe[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_write.get(), STDERR_FILENO);

    // The child starts in a process group of its own with default signal handling, so that a
    // time-out can kill whatever it started too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all_signals;
    sigfillset(&all_signals);
    sigset_t no_signals;
    sigemptyset(&no_signals);
    posix_spawnattr_setsigdefault(&attributes, &all_signals);
    posix_spawnattr_setsigmask(&attributes, &no_signals);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (auto const& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    int spawn_error = ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawn_error != 0)
        return failure(fmt::format("cannot start {}: {}", program, std::strerror(spawn_error)));
    out_write.reset();
    err_write.reset();

    CommandOutput output;
    std::array<Stream, 2> streams;
    streams[0].fd.adopt(out_read.release());
    streams[0].sink = &output.standard_output;
    streams[1].fd.adopt(err_read.release());
    streams[1].sink = &output.standard_error;

    uint64_t const timeout_ms = static_cast<uint64_t>(std::max<int64_t>(0, limits.timeout.count()));
    uint64_t const deadline = monotonic_ms() + timeout_ms;
    std::array<char, 65536> buffer {};
    while (streams[0].open || streams[1].open) {
        uint64_t now = monotonic_ms();
        if (now >= deadline) {
            kill_and_reap(pid);
            return failure(fmt::format("{} timed out after {} ms", program, timeout_ms));
        }
        std::array<pollfd, 2> polled {};
        nfds_t count = 0;
        std::array<size_t, 2> which {};
        for (size_t index = 0; index < streams.size(); ++index) {
            if (!streams[index].open)
                continue;
            polled[count].fd = streams[index].fd.get();
            polled[count].events = POLLIN;
            which[count] = index;
            ++count;
        }
        int wait_ms = static_cast<int>(std::min<uint64_t>(deadline - now, 1000));
        int ready = ::poll(polled.data(), count, wait_ms);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            kill_and_reap(pid);
            return failure(fmt::format("cannot wait for {}: {}", program, std::strerror(errno)));
        }
        for (nfds_t slot = 0; slot < count; ++slot) {
            if (polled[slot].revents == 0)
                continue;
            auto& stream = streams[which[slot]];
            ssize_t got = ::read(stream.fd.get(), buffer.data(), buffer.size());
            if (got < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (got <= 0) {
                stream.open = false;
                stream.fd.reset();
                continue;
            }
            if (stream.sink->size() + static_cast<size_t>(got) > limits.output_limit) {
                kill_and_reap(pid);
                return failure(fmt::format("{} wrote more than {} bytes", program, limits.output_limit));
            }
            stream.sink->append(buffer.data(), static_cast<size_t>(got));
        }
    }

    // Both streams are closed; the program may still linger, so the time-out goes on.
    while (true) {
        int wait_status = 0;
        pid_t done = ::waitpid(pid, &wait_status, WNOHANG);
        if (done == pid) {
            output.exit_status = status_of(wait_status);
            return output;
        }
        if (done < 0 && errno != EINTR)
            return failure(fmt::format("cannot wait for {}: {}", program, std::strerror(errno)));
        if (monotonic_ms() >= deadline) {
            kill_and_reap(pid);
            return failure(fmt::format("{} timed out after {} ms", program, timeout_ms));
        }
        ::usleep(2000);
    }
}

}
