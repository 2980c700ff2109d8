#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kaso/platform/Http.h"
#include "src/backend/BackendError.h"

namespace vexa {

struct ServiceSettings;

namespace innertube {
class Answer;
}

// Whether an attempt is worth repeating: only a 5xx status or a time-out is. A machine that
// cannot resolve names fails at once, and so does every other failure.
bool innertube_should_retry(kaso::platform::HttpFailure failure, long status);

inline constexpr size_t innertube_body_limit = 16 * 1024 * 1024;
inline constexpr size_t innertube_max_depth = 200;
inline constexpr int innertube_max_retries = 2;

// The web client of YouTube's innertube API: POST <origin>/youtubei/v1/<endpoint> with the web
// client's context and headers, at most two retries, a 16 MiB answer cap and a bounded parse.
// It owns one HTTP client, whose connections later calls reuse; one thread at a time uses it.
class InnertubeClient {
public:
    explicit InnertubeClient(ServiceSettings const& settings);

    // The answer of one endpoint, parsed. The error is "HTTP <code>" for a status outside
    // 200..299, "answer exceeds <cap> bytes" for an oversized answer, else what failed in the
    // transfer or the parse.
    BackendResult<innertube::Answer> call(std::string_view endpoint, nlohmann::json fields);

    std::string endpoint_url(std::string_view endpoint) const;
    // `fields` with the client context added.
    std::string request_body(nlohmann::json fields) const;
    std::vector<std::string> request_headers() const;

private:
    std::string m_origin;
    std::string m_client_version;
    std::chrono::milliseconds m_retry_wait;
    kaso::platform::HttpClient m_http;
};

}
