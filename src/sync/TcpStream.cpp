#include "src/sync/TcpStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <fmt/format.h>

#include "src/sync/Packet.h"

namespace vexa::sync {

namespace {

std::unexpected<DeviceSyncError> io_error(int error)
{
    auto failure = DeviceSyncError::transport(fmt::format("io: {} (os error {})", std::strerror(error), error));
    failure.timed_out = error == EAGAIN || error == EWOULDBLOCK || error == ETIMEDOUT;
    return sync_error(std::move(failure));
}

SyncErrorOr<int> connect_one(addrinfo const& address, std::chrono::milliseconds timeout)
{
    int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    if (fd < 0)
        return io_error(errno);
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            int const error = errno;
            ::close(fd);
            return io_error(error);
        }
        pollfd poller { fd, POLLOUT, 0 };
        int const ready = ::poll(&poller, 1, static_cast<int>(timeout.count()));
        if (ready <= 0) {
            int const error = ready == 0 ? ETIMEDOUT : errno;
            ::close(fd);
            return io_error(error);
        }
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            ::close(fd);
            return io_error(error);
        }
    }
    int const flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

}

TcpStream::TcpStream(TcpStream&& other) noexcept
    : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

TcpStream& TcpStream::operator=(TcpStream&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

TcpStream::~TcpStream()
{
    close();
}

void TcpStream::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

SyncErrorOr<TcpStream> TcpStream::connect(std::string const& host, int port, std::chrono::milliseconds timeout)
{
    std::string const text = fmt::format("{}:{}", host, port);
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    std::string const service = std::to_string(port);
    int const resolved = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses);
    if (resolved != 0) {
        std::string reason = resolved == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(resolved);
        return transport_error(fmt::format("resolve {}: {}", text, reason));
    }
    std::unexpected<DeviceSyncError> last = transport_error(fmt::format("resolve {}: no addresses", text));
    for (addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
        auto fd = connect_one(*address, timeout);
        if (fd) {
            ::freeaddrinfo(addresses);
            return TcpStream(*fd);
        }
        last = std::unexpected(fd.error());
    }
    ::freeaddrinfo(addresses);
    return last;
}

void TcpStream::set_no_delay()
{
    int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void TcpStream::set_timeouts(std::chrono::milliseconds read, std::chrono::milliseconds write)
{
    auto to_timeval = [](std::chrono::milliseconds value) {
        timeval time {};
        time.tv_sec = static_cast<time_t>(value.count() / 1000);
        time.tv_usec = static_cast<suseconds_t>((value.count() % 1000) * 1000);
        return time;
    };
    timeval read_time = to_timeval(read);
    timeval write_time = to_timeval(write);
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &read_time, sizeof read_time);
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &write_time, sizeof write_time);
}

SyncErrorOr<void> TcpStream::write_all(std::span<uint8_t const> bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t const written = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return io_error(errno);
        }
        if (written == 0)
            return transport_error("io: failed to write whole buffer");
        sent += static_cast<std::size_t>(written);
    }
    return {};
}

SyncErrorOr<void> TcpStream::read_exact(std::span<uint8_t> out)
{
    std::size_t received = 0;
    while (received < out.size()) {
        ssize_t const got = ::recv(m_fd, out.data() + received, out.size() - received, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return io_error(errno);
        }
        if (got == 0)
            return transport_error("io: failed to fill whole buffer");
        received += static_cast<std::size_t>(got);
    }
    return {};
}

SyncErrorOr<std::vector<uint8_t>> TcpStream::read_length_prefixed(uint32_t max_length, std::string_view too_large)
{
    uint8_t header[4];
    TRY(read_exact(header));
    uint32_t const length = read_u32(header);
    if (length > max_length)
        return transport_error(fmt::format("{}: {}", too_large, length));
    std::vector<uint8_t> bytes(length);
    TRY(read_exact(bytes));
    return bytes;
}

void TcpStream::shutdown_and_drain(std::chrono::milliseconds limit)
{
    if (m_fd < 0)
        return;
    ::shutdown(m_fd, SHUT_WR);
    auto const deadline = std::chrono::steady_clock::now() + limit;
    uint8_t buffer[4096];
    while (true) {
        auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd poller { m_fd, POLLIN, 0 };
        if (::poll(&poller, 1, static_cast<int>(left.count())) <= 0)
            break;
        ssize_t const got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got <= 0 && !(got < 0 && (errno == EINTR || errno == EAGAIN)))
            break;
    }
}

}
