#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kaso/platform/Error.h"

namespace kaso::platform {

// What a response body longer than the cap does to the request.
enum class BodyOverflow {
    Fail,     // the request fails: a service answering that much is broken or hostile
    Truncate, // reading stops at the cap and the first bytes are the answer (probes)
};

// Which content encodings the client asks for.
enum class AcceptEncoding {
    Identity, // none: the body arrives as the server stores it
    Any,      // every encoding this libcurl can decode; the body is handed over decoded
};

struct HttpOptions {
    std::string user_agent;
    std::chrono::milliseconds connect_timeout { 5'000 };
    std::chrono::milliseconds total_timeout { 8'000 };
    size_t max_body_bytes { 1024 * 1024 };
    BodyOverflow overflow { BodyOverflow::Fail };
    long max_redirects { 5 }; // 0: a redirect is the response itself
    AcceptEncoding accept_encoding { AcceptEncoding::Identity };

    bool operator==(HttpOptions const&) const = default;
};

inline constexpr size_t service_body_limit = 1024 * 1024;
inline constexpr size_t image_body_limit = 16 * 1024 * 1024;

struct HttpResponse {
    long status { 0 };
    std::string body;
    bool truncated { false }; // the cap cut the body short (BodyOverflow::Truncate only)

    bool is_success() const { return status >= 200 && status <= 299; }
};

// Why a request brought no response. Callers that retry tell a slow service from an absent one
// by it: a time-out may pass, a name that does not resolve means the machine is offline.
enum class HttpFailure {
    None,           // a response came back (any status)
    Refused,        // not an http or https address; nothing was sent
    TimedOut,       // the connection or the whole transfer ran out of time
    NameResolution, // the host (or the proxy) name could not be resolved
    BodyTooLarge,   // the body passed the cap (BodyOverflow::Fail)
    Transport,      // any other failure on the way: refused connection, TLS, protocol
};

// One request's outcome: the response, or the error together with its reason.
struct HttpOutcome {
    ErrorOr<HttpResponse> response;
    HttpFailure failure { HttpFailure::None };
};

enum class HttpMethod {
    Get,
    Post,
};

struct HttpRequest {
    HttpMethod method { HttpMethod::Get };
    std::string url;
    std::vector<std::string> headers; // whole lines, "Name: value"
    std::string body;                 // sent with POST only
};

// A blocking HTTP client on one libcurl handle, kept between requests so that connections are
// reused. It speaks http and https only, on the first request and on every redirect, and bounds
// every request by its time-outs and its body cap. One client belongs to one thread; make
// another for another thread.
class HttpClient {
public:
    explicit HttpClient(HttpOptions options);
    HttpClient(HttpClient&& other) noexcept;
    HttpClient& operator=(HttpClient&& other) noexcept;
    HttpClient(HttpClient const&) = delete;
    HttpClient& operator=(HttpClient const&) = delete;
    ~HttpClient();

    HttpOptions const& options() const { return m_options; }

    // One request. A transport failure, a refused address or an oversized body is the error,
    // with its reason; any status is a response.
    HttpOutcome send(HttpRequest const& request);

    ErrorOr<HttpResponse> get(std::string const& url, std::vector<std::string> const& headers = {});
    ErrorOr<HttpResponse> post(std::string const& url, std::string body, std::vector<std::string> const& headers = {});

    // As `get`, but a status outside 200..299 is an error too.
    ErrorOr<std::string> get_success_body(std::string const& url);

private:
    HttpOptions m_options;
    void* m_handle { nullptr }; // CURL*
};

// Whether the address begins with "http://" or "https://" (the scheme in any case).
bool is_http_url(std::string_view url);

// RFC 3986 percent-encoding: everything but unreserved characters becomes %XX.
std::string percent_encode(std::string_view text);

// "key=value&key=value" with both sides percent-encoded.
std::string query_string(std::vector<std::pair<std::string_view, std::string_view>> const& parameters);

}
