#include "tests/backend/LoopbackServer.h"

#include <chrono>
#include <thread>

#include <fmt/format.h>
#include <httplib.h>

namespace vexa::testing {

struct LoopbackServer::State {
    using Handler = LoopbackServer::Handler;
    httplib::Server server;
    std::thread thread;
    int port { 0 };
    mutable std::mutex mutex;
    std::vector<SeenRequest> seen;
    std::map<std::string, Handler> handlers; // by path; a later registration replaces an earlier one
};

LoopbackServer::LoopbackServer()
    : m_state(std::make_unique<State>())
{
    auto& server = m_state->server;
    // Recorded before the handler runs, so a test that got its answer sees its request.
    server.set_pre_routing_handler([state = m_state.get()](httplib::Request const& request, httplib::Response&) {
        SeenRequest seen;
        seen.path = request.path;
        for (auto const& [key, value] : request.params)
            seen.query[key] = value;
        seen.range = request.get_header_value("Range");
        seen.user_agent = request.get_header_value("User-Agent");
        seen.remote_port = request.remote_port;
        std::lock_guard lock(state->mutex);
        state->seen.push_back(std::move(seen));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    auto route = [state = m_state.get()](httplib::Request const& request, httplib::Response& response) {
        Handler handler;
        {
            std::lock_guard lock(state->mutex);
            auto found = state->handlers.find(request.path);
            if (found != state->handlers.end())
                handler = found->second;
        }
        if (!handler) {
            response.status = 404;
            return;
        }
        handler(request, response);
    };
    server.Get(".*", route);
    server.Post(".*", route);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    m_state->port = server.bind_to_any_port("127.0.0.1");
    m_state->thread = std::thread([state = m_state.get()] { state->server.listen_after_bind(); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server.is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

LoopbackServer::~LoopbackServer()
{
    m_state->server.stop();
    if (m_state->thread.joinable())
        m_state->thread.join();
}

void LoopbackServer::serve(std::string const& path, int status, std::string body, std::string content_type)
{
    handle(path, [status, body = std::move(body), content_type](httplib::Request const&, httplib::Response& response) {
        response.status = status;
        response.set_content(body, content_type);
    });
}

void LoopbackServer::handle(std::string const& path, Handler handler)
{
    std::lock_guard lock(m_state->mutex);
    m_state->handlers.insert_or_assign(path, std::move(handler));
}

std::string LoopbackServer::origin() const { return fmt::format("http://127.0.0.1:{}", m_state->port); }

std::vector<SeenRequest> LoopbackServer::requests() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->seen;
}

std::vector<SeenRequest> LoopbackServer::requests_to(std::string const& path) const
{
    std::vector<SeenRequest> matching;
    for (auto& request : requests()) {
        if (request.path == path)
            matching.push_back(std::move(request));
    }
    return matching;
}

void stream_bytes(httplib::Response& response, size_t bytes, int status, std::shared_ptr<std::atomic<size_t>> written)
{
    response.status = status;
    response.set_content_provider(bytes, "application/octet-stream", [written](size_t offset, size_t length, httplib::DataSink& sink) {
        static std::string const chunk(64 * 1024, 'x');
        (void)offset;
        size_t count = std::min(length, chunk.size());
        bool accepted = sink.write(chunk.data(), count);
        if (accepted && written)
            *written += count;
        return accepted;
    });
}

}
