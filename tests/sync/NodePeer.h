#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

#include <nlohmann/json.hpp>

namespace vexa::sync::test {

// The Node stand-in for a Grayjay device (tests/interop/sync/grayjay-peer.js), run as a child
// process on 127.0.0.1. Its events arrive as JSON lines; it ends when its stdin closes or its
// lifetime passes, and is killed by pid if it lingers.
class NodePeer {
public:
    explicit NodePeer(nlohmann::json options);
    ~NodePeer();
    NodePeer(NodePeer const&) = delete;
    NodePeer& operator=(NodePeer const&) = delete;

    bool started() const { return m_port > 0; }
    int port() const { return m_port; }
    std::string const& public_key() const { return m_public_key; }

    // The next event named `name` (earlier events of other names are skipped), or none after
    // `timeout`.
    std::optional<nlohmann::json> wait_for(std::string const& name, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    void stop();

private:
    std::optional<std::string> read_line(std::chrono::milliseconds timeout);

    pid_t m_pid { -1 };
    int m_stdin { -1 };
    int m_stdout { -1 };
    std::string m_buffer;
    int m_port { 0 };
    std::string m_public_key;
};

}
