#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

#include "kaso/platform/Error.h"
#include "src/sync/DeviceSyncError.h"

namespace vexa::sync {

// An outgoing TCP connection with read and write time-outs. Sends never raise SIGPIPE; every
// failure is a Transport error "io: …".
class TcpStream {
public:
    TcpStream() = default;
    explicit TcpStream(int fd)
        : m_fd(fd)
    {
    }
    TcpStream(TcpStream&& other) noexcept;
    TcpStream& operator=(TcpStream&& other) noexcept;
    TcpStream(TcpStream const&) = delete;
    TcpStream& operator=(TcpStream const&) = delete;
    ~TcpStream();

    // Resolves "host:port" with the system resolver and tries each address in turn.
    // Failures: "resolve {address}: {reason}" or "io: {reason}".
    static SyncErrorOr<TcpStream> connect(std::string const& host, int port, std::chrono::milliseconds timeout);

    bool is_open() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    void set_no_delay();
    void set_timeouts(std::chrono::milliseconds read, std::chrono::milliseconds write);

    SyncErrorOr<void> write_all(std::span<uint8_t const> bytes);
    SyncErrorOr<void> read_exact(std::span<uint8_t> out);

    // Reads a 4-byte little-endian length and then that many bytes. A length above `max_length`
    // is refused as "{too_large}: {length}" before anything more is read.
    SyncErrorOr<std::vector<uint8_t>> read_length_prefixed(uint32_t max_length, std::string_view too_large);

    // Ends the write side, then reads and drops whatever the peer still sends for at most
    // `limit`, so the peer reads our last bytes before the socket closes (closing with unread
    // input would reset the connection).
    void shutdown_and_drain(std::chrono::milliseconds limit);

    void close();

private:
    int m_fd { -1 };
};

}
