#include "tests/sync/NodePeer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/sync/TestSupport.h"

extern char** environ;

namespace vexa::sync::test {

NodePeer::NodePeer(nlohmann::json options)
{
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0)
        return;
    auto script = source_path("tests/interop/sync/grayjay-peer.js").string();
    std::string const arguments = options.dump();
    char const* node = std::getenv("VEXA_NODE");
    std::string const node_path = node ? node : "node";
    char* argv[] = { const_cast<char*>(node_path.c_str()), const_cast<char*>(script.c_str()),
        const_cast<char*>(arguments.c_str()), nullptr };

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    int const spawned = ::posix_spawnp(&m_pid, node_path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_stdin = in[1];
    m_stdout = out[0];
    if (spawned != 0) {
        m_pid = -1;
        return;
    }
    if (auto listening = wait_for("listening")) {
        m_port = (*listening)["port"].get<int>();
        m_public_key = (*listening)["publicKey"].get<std::string>();
    }
}

NodePeer::~NodePeer()
{
    stop();
}

void NodePeer::stop()
{
    if (m_stdin >= 0)
        ::close(m_stdin);
    m_stdin = -1;
    if (m_pid > 0) {
        // Closing stdin ends the peer; give it a moment, then make sure.
        for (int i = 0; i < 50; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            ::usleep(20'000);
        }
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    if (m_stdout >= 0)
        ::close(m_stdout);
    m_stdout = -1;
}

std::optional<std::string> NodePeer::read_line(std::chrono::milliseconds timeout)
{
    auto const deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        auto const newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_stdout < 0)
            return std::nullopt;
        pollfd poller { m_stdout, POLLIN, 0 };
        if (::poll(&poller, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        char chunk[65536];
        ssize_t const got = ::read(m_stdout, chunk, sizeof chunk);
        if (got <= 0)
            return std::nullopt;
        m_buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

std::optional<nlohmann::json> NodePeer::wait_for(std::string const& name, std::chrono::milliseconds timeout)
{
    auto const deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        auto line = read_line(std::max(left, std::chrono::milliseconds(0)));
        if (!line)
            return std::nullopt;
        if (std::getenv("VEXA_PEER_DEBUG"))
            fprintf(stderr, "peer: %.300s\n", line->c_str());
        auto event = nlohmann::json::parse(*line, nullptr, false);
        if (!event.is_discarded() && event.value("event", "") == name)
            return event;
        if (!event.is_discarded() && event.value("event", "") == "error")
            fprintf(stderr, "peer error: %s\n", line->c_str());
    }
}

}
