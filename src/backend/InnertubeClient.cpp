#include "src/backend/InnertubeClient.h"

#include <thread>

#include <fmt/format.h>

#include "kaso/platform/Log.h"
#include "src/backend/InnertubeJson.h"
#include "src/backend/ServiceSettings.h"

namespace vexa {

using kaso::platform::HttpFailure;

namespace {

constexpr char const* desktop_user_agent = "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";
// The JSON writer's flag: text outside ASCII is written as UTF-8, not as \u escapes.
constexpr bool ensure_ascii = false;

kaso::platform::HttpOptions innertube_http_options(ServiceSettings const& settings)
{
    kaso::platform::HttpOptions options;
    options.user_agent = desktop_user_agent;
    options.connect_timeout = settings.connect_timeout;
    options.total_timeout = settings.innertube_timeout;
    options.max_body_bytes = innertube_body_limit;
    options.overflow = kaso::platform::BodyOverflow::Fail;
    options.max_redirects = 0; // the API answers in place; a redirect is a failure status
    options.accept_encoding = kaso::platform::AcceptEncoding::Any;
    return options;
}

}

bool innertube_should_retry(HttpFailure failure, long status)
{
    switch (failure) {
    case HttpFailure::None: return status >= 500 && status <= 599;
    case HttpFailure::TimedOut: return true;
    case HttpFailure::Refused:
    case HttpFailure::NameResolution:
    case HttpFailure::BodyTooLarge:
    case HttpFailure::Transport: return false;
    }
    return false;
}

InnertubeClient::InnertubeClient(ServiceSettings const& settings)
    : m_origin(settings.youtube_origin)
    , m_client_version(settings.innertube_client_version)
    , m_retry_wait(settings.innertube_retry_wait)
    , m_http(innertube_http_options(settings))
{
    while (m_origin.ends_with('/'))
        m_origin.pop_back();
}

std::string InnertubeClient::endpoint_url(std::string_view endpoint) const
{
    return fmt::format("{}/youtubei/v1/{}?prettyPrint=false", m_origin, endpoint);
}

std::string InnertubeClient::request_body(nlohmann::json fields) const
{
    if (!fields.is_object())
        fields = nlohmann::json::object();
    fields["context"] = {
        { "client", { { "clientName", "WEB" }, { "clientVersion", m_client_version }, { "hl", "en" }, { "gl", "US" }, { "platform", "DESKTOP" } } },
        { "user", { { "lockedSafetyMode", false } } },
        { "request", { { "useSsl", true } } },
    };
    // Texts from outside may hold invalid UTF-8; they are replaced rather than refused.
    return fields.dump(-1, ' ', ensure_ascii, nlohmann::json::error_handler_t::replace);
}

std::vector<std::string> InnertubeClient::request_headers() const
{
    return {
        "Content-Type: application/json",
        "X-YouTube-Client-Name: 1",
        "X-YouTube-Client-Version: " + m_client_version,
        "Origin: " + m_origin,
        "Referer: " + m_origin + "/",
        "Accept-Language: en-US",
        "Cookie: CONSENT=YES+",
    };
}

BackendResult<innertube::Answer> InnertubeClient::call(std::string_view endpoint, nlohmann::json fields)
{
    kaso::platform::HttpRequest request {
        kaso::platform::HttpMethod::Post, endpoint_url(endpoint), request_headers(), request_body(std::move(fields))
    };
    kaso::platform::HttpOutcome last;
    for (int attempt_index = 0;; ++attempt_index) {
        last = m_http.send(request);
        long status = last.response ? last.response->status : 0;
        if (attempt_index >= innertube_max_retries || !innertube_should_retry(last.failure, status))
            break;
        auto wait = m_retry_wait * (1 << attempt_index); // 1 s, then 2 s
        kaso::log::target("vexa::api")->warn("innertube retry endpoint={} status={} error={} wait_ms={}", endpoint, status,
            last.response ? std::string() : last.response.error().message, wait.count());
        std::this_thread::sleep_for(wait);
    }
    if (last.failure == HttpFailure::BodyTooLarge)
        return backend_error(fmt::format("answer exceeds {} bytes", innertube_body_limit));
    if (!last.response)
        return backend_error(std::move(last.response).error().message);
    auto& response = *last.response;
    if (!response.is_success())
        return backend_error(fmt::format("HTTP {}", response.status));
    response.body.reserve(response.body.size() + innertube::answer_padding); // so the parser reads it in place
    auto document = innertube::Answer::parse(response.body, innertube_body_limit, innertube_max_depth);
    if (!document)
        return backend_error("answer is not usable JSON: " + document.error().message);
    return std::move(*document);
}

}
