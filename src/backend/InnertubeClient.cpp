#include "src/backend/InnertubeClient.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include <curl/curl.h>
#include <fmt/format.h>

#include "kaso/platform/Http.h"
#include "kaso/platform/Log.h"
#include "src/backend/InnertubeJson.h"
#include "src/backend/ServiceSettings.h"

namespace vexa {

namespace {

constexpr char const* desktop_user_agent = "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";

struct CappedBody {
    std::string* body { nullptr };
    bool overflowed { false };
};

size_t append_capped(char* data, size_t size, size_t count, void* user)
{
    auto& sink = *static_cast<CappedBody*>(user);
    size_t bytes = size * count;
    if (bytes > innertube_body_limit - sink.body->size()) {
        sink.overflowed = true;
        return 0; // ends the transfer
    }
    sink.body->append(data, bytes);
    return bytes;
}

long clamped_ms(std::chrono::milliseconds value)
{
    auto count = value.count();
    return static_cast<long>(std::clamp<decltype(count)>(count, 1, 86'400'000));
}

// One transfer handle per thread, kept between requests so that connections are reused; freed
// when its thread ends.
struct ThreadTransfer {
    CURL* handle { curl_easy_init() };
    ~ThreadTransfer()
    {
        if (handle)
            curl_easy_cleanup(handle);
    }
};

CURL* thread_transfer()
{
    thread_local ThreadTransfer transfer;
    if (transfer.handle)
        curl_easy_reset(transfer.handle);
    return transfer.handle;
}

void ensure_curl_initialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}

bool innertube_should_retry(InnertubeOutcome outcome, long status)
{
    switch (outcome) {
    case InnertubeOutcome::Answered: return status >= 500 && status <= 599;
    case InnertubeOutcome::TimedOut: return true;
    case InnertubeOutcome::NameResolution:
    case InnertubeOutcome::Failed: return false;
    }
    return false;
}

InnertubeClient::InnertubeClient(ServiceSettings const& settings)
    : m_origin(settings.youtube_origin)
    , m_client_version(settings.innertube_client_version)
    , m_connect_timeout(settings.connect_timeout)
    , m_total_timeout(settings.innertube_timeout)
    , m_retry_wait(settings.innertube_retry_wait)
{
    while (m_origin.ends_with('/'))
        m_origin.pop_back();
    ensure_curl_initialised();
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
    return fields.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
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

InnertubeClient::Attempt InnertubeClient::attempt(std::string const& url, std::string const& body, std::vector<std::string> const& headers) const
{
    Attempt result;
    CURL* curl = thread_transfer();
    if (!curl) {
        result.error = "transfer handle could not be created";
        return result;
    }
    CappedBody sink { &result.body, false };
    char error_buffer[CURL_ERROR_SIZE] = {};
    curl_slist* header_list = nullptr;
    for (auto const& header : headers)
        header_list = curl_slist_append(header_list, header.c_str());

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, clamped_ms(m_connect_timeout));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, clamped_ms(m_total_timeout));
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // every encoding this libcurl decodes
    curl_easy_setopt(curl, CURLOPT_USERAGENT, desktop_user_agent);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, header_list);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_buffer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append_capped);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

    CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(header_list);

    if (sink.overflowed) {
        result.error = fmt::format("answer exceeds {} bytes", innertube_body_limit);
        result.body.clear();
    } else if (code == CURLE_OK) {
        result.outcome = InnertubeOutcome::Answered;
    } else {
        result.error = error_buffer[0] != '\0' ? std::string(error_buffer) : std::string(curl_easy_strerror(code));
        if (code == CURLE_OPERATION_TIMEDOUT)
            result.outcome = InnertubeOutcome::TimedOut;
        else if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_RESOLVE_PROXY)
            result.outcome = InnertubeOutcome::NameResolution;
        result.body.clear();
    }
    return result;
}

BackendResult<innertube::Answer> InnertubeClient::call(std::string_view endpoint, nlohmann::json fields) const
{
    auto url = endpoint_url(endpoint);
    if (!kaso::platform::is_http_url(url))
        return backend_error(fmt::format("refused a non-HTTP address {}", url));
    auto body = request_body(std::move(fields));
    auto headers = request_headers();

    Attempt last;
    for (int attempt_index = 0;; ++attempt_index) {
        last = attempt(url, body, headers);
        if (attempt_index >= innertube_max_retries || !innertube_should_retry(last.outcome, last.status))
            break;
        auto wait = m_retry_wait * (1 << attempt_index); // 1 s, then 2 s
        kaso::log::target("vexa::api")->warn("innertube retry endpoint={} status={} error={} wait_ms={}", endpoint, last.status, last.error, wait.count());
        std::this_thread::sleep_for(wait);
    }
    if (last.outcome != InnertubeOutcome::Answered)
        return backend_error(last.error);
    if (last.status < 200 || last.status > 299)
        return backend_error(fmt::format("HTTP {}", last.status));
    last.body.reserve(last.body.size() + innertube::answer_padding); // so the parser reads it in place
    auto document = innertube::Answer::parse(last.body, innertube_body_limit, innertube_max_depth);
    if (!document)
        return backend_error("answer is not usable JSON: " + document.error().message);
    return std::move(*document);
}

}
