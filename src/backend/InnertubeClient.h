#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "src/backend/BackendError.h"

namespace vexa {

struct ServiceSettings;

namespace innertube {
class Answer;
}

// How one attempt at an innertube request ended, as far as retrying is concerned.
enum class InnertubeOutcome {
    Answered,        // a status came back (any status)
    TimedOut,        // the transfer or the connection ran out of time
    NameResolution,  // the host name could not be resolved: the machine is offline
    Failed,          // any other transport failure, or the body cap
};

// Whether an attempt is worth repeating: only a 5xx status or a time-out is. A machine that
// cannot resolve names fails at once.
bool innertube_should_retry(InnertubeOutcome outcome, long status);

inline constexpr size_t innertube_body_limit = 16 * 1024 * 1024;
inline constexpr size_t innertube_max_depth = 200;
inline constexpr int innertube_max_retries = 2;

// The web client of YouTube's innertube API: POST <origin>/youtubei/v1/<endpoint> with the web
// client's context and headers, at most two retries, a 16 MiB answer cap and a bounded parse.
// Safe to use from several threads at once: each thread has a transfer handle of its own.
class InnertubeClient {
public:
    explicit InnertubeClient(ServiceSettings const& settings);

    // The answer of one endpoint, parsed. The error is "HTTP <code>" for a status outside
    // 200..299, else what failed in the transfer or the parse.
    BackendResult<innertube::Answer> call(std::string_view endpoint, nlohmann::json fields) const;

    std::string endpoint_url(std::string_view endpoint) const;
    // `fields` with the client context added.
    std::string request_body(nlohmann::json fields) const;
    std::vector<std::string> request_headers() const;

private:
    struct Attempt {
        InnertubeOutcome outcome { InnertubeOutcome::Failed };
        long status { 0 };
        std::string body;
        std::string error;
    };
    Attempt attempt(std::string const& url, std::string const& body, std::vector<std::string> const& headers) const;

    std::string m_origin;
    std::string m_client_version;
    std::chrono::milliseconds m_connect_timeout;
    std::chrono::milliseconds m_total_timeout;
    std::chrono::milliseconds m_retry_wait;
};

}
