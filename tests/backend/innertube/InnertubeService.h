#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/backend/LoopbackServer.h"

namespace vexa::testing {

// A loopback stand-in for innertube's three endpoints under "/youtube/youtubei/v1/". Answers are
// chosen by what the request body asks for:
//   "search:<query>" (with "|<params>" when the body has params), "next:<videoId>",
//   "continuation:<token>", "browse:<browseId>".
// Unregistered requests get 404. Every request's body and headers are recorded.
class InnertubeService {
public:
    struct Answer {
        int status { 200 };
        std::string body;
        int delay_ms { 0 }; // waits this long before answering (time-out tests), or until the service stops
    };
    struct Seen {
        std::string endpoint; // "search", "next", "browse"
        std::string target;   // the registration key the body named
        std::string body;
        std::map<std::string, std::string> headers;
        std::string pretty_print; // the prettyPrint query parameter
        int remote_port { 0 };    // tells one connection from another
    };

    InnertubeService();
    ~InnertubeService();
    InnertubeService(InnertubeService const&) = delete;
    InnertubeService& operator=(InnertubeService const&) = delete;

    // Answers `key` with the fixture of that name.
    void serve_fixture(std::string const& key, std::string const& fixture);
    void serve(std::string const& key, int status, std::string body);
    // Answers `key` with each of `answers` in turn, the last one repeated.
    void serve_sequence(std::string const& key, std::vector<Answer> answers);

    std::vector<Seen> seen() const;
    std::vector<Seen> seen(std::string const& key) const;

    LoopbackServer& server() { return m_server; }
    std::string origin() const { return m_server.origin(); }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable stopped; // wakes delayed answers so that stopping never waits for them
        bool stopping { false };
        std::map<std::string, std::vector<Answer>> answers;
        std::map<std::string, size_t> served;
        std::vector<Seen> seen;
    };
    std::shared_ptr<State> m_state { std::make_shared<State>() };
    LoopbackServer m_server;
};

}
