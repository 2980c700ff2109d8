#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace httplib {
struct Request;
struct Response;
}

namespace vexa::testing {

// One request as the server saw it.
struct SeenRequest {
    std::string path;
    std::map<std::string, std::string> query; // decoded parameters
    std::string range;                        // the Range header, if any
    std::string user_agent;
    int remote_port { 0 }; // tells one connection from another
};

// An HTTP server on 127.0.0.1 and a free port, serving whatever the test registers; it records
// every request. Stopped and joined when destroyed.
class LoopbackServer {
public:
    using Handler = std::function<void(httplib::Request const&, httplib::Response&)>;

    LoopbackServer();
    ~LoopbackServer();

    // Serves `body` with `status` at `path` (GET or POST).
    void serve(std::string const& path, int status, std::string body, std::string content_type = "application/json");
    void handle(std::string const& path, Handler handler);

    std::string origin() const; // "http://127.0.0.1:<port>"
    std::vector<SeenRequest> requests() const;
    std::vector<SeenRequest> requests_to(std::string const& path) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Streams `bytes` bytes of 'x' in 64 KiB chunks without holding them in memory. `written`, when
// given, counts the bytes handed to the connection: a client that stops reading early leaves it far
// below `bytes`, however slowly the machine runs.
void stream_bytes(httplib::Response& response, size_t bytes, int status = 200, std::shared_ptr<std::atomic<size_t>> written = nullptr);

}
