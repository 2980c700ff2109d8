#include "tests/backend/innertube/InnertubeService.h"

#include <chrono>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "tests/backend/innertube/InnertubeFixtures.h"

namespace vexa::testing {

namespace {

std::string target_of(std::string const& endpoint, nlohmann::json const& body)
{
    auto text = [&](char const* key) { return body.contains(key) && body[key].is_string() ? body[key].get<std::string>() : std::string {}; };
    if (endpoint == "search") {
        auto key = "search:" + text("query");
        if (body.contains("params"))
            key += "|" + text("params");
        return key;
    }
    if (endpoint == "next")
        return body.contains("continuation") ? "continuation:" + text("continuation") : "next:" + text("videoId");
    return "browse:" + text("browseId");
}

}

InnertubeService::InnertubeService()
{
    for (std::string endpoint : { "search", "next", "browse" }) {
        m_server.handle("/youtube/youtubei/v1/" + endpoint, [state = m_state, endpoint](httplib::Request const& request, httplib::Response& response) {
            auto body = nlohmann::json::parse(request.body, nullptr, false);
            Seen seen;
            seen.endpoint = endpoint;
            seen.target = target_of(endpoint, body);
            seen.body = request.body;
            for (auto const& [name, value] : request.headers)
                seen.headers[name] = value;
            seen.pretty_print = request.get_param_value("prettyPrint");
            seen.remote_port = request.remote_port;
            Answer answer { 404, "{}", 0 };
            {
                std::lock_guard lock(state->mutex);
                state->seen.push_back(seen);
                auto found = state->answers.find(seen.target);
                if (found != state->answers.end() && !found->second.empty()) {
                    auto& index = state->served[seen.target];
                    answer = found->second[std::min(index, found->second.size() - 1)];
                    ++index;
                }
            }
            if (answer.delay_ms > 0) {
                std::unique_lock lock(state->mutex);
                state->stopped.wait_for(lock, std::chrono::milliseconds(answer.delay_ms), [&] { return state->stopping; });
            }
            response.status = answer.status;
            response.set_content(answer.body, "application/json");
        });
    }
}

InnertubeService::~InnertubeService()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->stopped.notify_all();
}

void InnertubeService::serve_fixture(std::string const& key, std::string const& fixture) { serve(key, 200, innertube_fixture(fixture)); }

void InnertubeService::serve(std::string const& key, int status, std::string body) { serve_sequence(key, { Answer { status, std::move(body), 0 } }); }

void InnertubeService::serve_sequence(std::string const& key, std::vector<Answer> answers)
{
    std::lock_guard lock(m_state->mutex);
    m_state->answers[key] = std::move(answers);
    m_state->served[key] = 0;
}

std::vector<InnertubeService::Seen> InnertubeService::seen() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->seen;
}

std::vector<InnertubeService::Seen> InnertubeService::seen(std::string const& key) const
{
    std::vector<Seen> matching;
    for (auto& one : seen()) {
        if (one.target == key)
            matching.push_back(std::move(one));
    }
    return matching;
}

}
