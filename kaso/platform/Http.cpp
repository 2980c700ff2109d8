#include "kaso/platform/Http.h"

#include <dlfcn.h>

#include <curl/curl.h>

namespace kaso::platform {

namespace {

// libcurl, loaded when the first client is made rather than with the program: with it come the
// TLS, Kerberos, LDAP and SSH libraries it links, several megabytes resident, which a window
// that fetches nothing (the built-in catalogue) never needs.
struct CurlLibrary {
    CURLcode (*global_init)(long) { nullptr };
    CURL* (*easy_init)() { nullptr };
    void (*easy_cleanup)(CURL*) { nullptr };
    void (*easy_reset)(CURL*) { nullptr };
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...) { nullptr };
    CURLcode (*easy_perform)(CURL*) { nullptr };
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) { nullptr };
    char const* (*easy_strerror)(CURLcode) { nullptr };
    curl_slist* (*slist_append)(curl_slist*, char const*) { nullptr };
    void (*slist_free_all)(curl_slist*) { nullptr };
    std::string failure; // why it could not be loaded; empty once it is
};

template<typename Function>
bool bind(void* library, char const* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

CurlLibrary const& curl_library()
{
    static CurlLibrary const library = [] {
        CurlLibrary loaded;
        // Never closed: handles may live until the process ends.
        void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            char const* why = dlerror();
            loaded.failure = why ? why : "libcurl.so.4 could not be loaded";
            return loaded;
        }
        bool bound = bind(handle, "curl_global_init", loaded.global_init) && bind(handle, "curl_easy_init", loaded.easy_init)
            && bind(handle, "curl_easy_cleanup", loaded.easy_cleanup) && bind(handle, "curl_easy_reset", loaded.easy_reset)
            && bind(handle, "curl_easy_setopt", loaded.easy_setopt) && bind(handle, "curl_easy_perform", loaded.easy_perform)
            && bind(handle, "curl_easy_getinfo", loaded.easy_getinfo) && bind(handle, "curl_easy_strerror", loaded.easy_strerror)
            && bind(handle, "curl_slist_append", loaded.slist_append) && bind(handle, "curl_slist_free_all", loaded.slist_free_all);
        if (!bound) {
            loaded = CurlLibrary {};
            loaded.failure = "libcurl.so.4 lacks a function this client calls";
            return loaded;
        }
        if (loaded.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            loaded = CurlLibrary {};
            loaded.failure = "libcurl could not be initialised";
        }
        return loaded;
    }();
    return library;
}

struct BodySink {
    std::string* body { nullptr };
    size_t limit { 0 };
    bool overflowed { false };
};

size_t write_body(char* data, size_t size, size_t count, void* user)
{
    auto& sink = *static_cast<BodySink*>(user);
    size_t bytes = size * count;
    size_t room = sink.limit - sink.body->size();
    if (bytes > room) {
        sink.body->append(data, room);
        sink.overflowed = true;
        return 0; // stops the transfer
    }
    sink.body->append(data, bytes);
    return bytes;
}

HttpFailure failure_of(CURLcode code)
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return HttpFailure::TimedOut;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return HttpFailure::NameResolution;
    case CURLE_UNSUPPORTED_PROTOCOL: return HttpFailure::Refused; // a redirect to another scheme
    default: return HttpFailure::Transport;
    }
}

long clamp_ms(std::chrono::milliseconds value)
{
    auto count = value.count();
    if (count < 1)
        return 1;
    if (count > 86'400'000)
        return 86'400'000;
    return static_cast<long>(count);
}

}

HttpClient::HttpClient(HttpOptions options)
    : m_options(std::move(options))
{
    auto const& curl = curl_library();
    if (curl.easy_init)
        m_handle = curl.easy_init();
}

HttpClient::HttpClient(HttpClient&& other) noexcept
    : m_options(std::move(other.m_options))
    , m_handle(std::exchange(other.m_handle, nullptr))
{
}

HttpClient& HttpClient::operator=(HttpClient&& other) noexcept
{
    if (this != &other) {
        if (m_handle)
            curl_library().easy_cleanup(static_cast<CURL*>(m_handle));
        m_options = std::move(other.m_options);
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

HttpClient::~HttpClient()
{
    if (m_handle)
        curl_library().easy_cleanup(static_cast<CURL*>(m_handle));
}

HttpOutcome HttpClient::send(HttpRequest const& request)
{
    auto const& library = curl_library();
    if (!m_handle) {
        auto why = library.failure.empty() ? std::string() : fmt::format(": {}", library.failure);
        return { make_error(fmt::format("HTTP client could not be created{}", why)), HttpFailure::Transport };
    }
    if (!is_http_url(request.url))
        return { make_error(fmt::format("refused a non-HTTP address {}", debug_text(request.url))), HttpFailure::Refused };

    auto* curl = static_cast<CURL*>(m_handle);
    library.easy_reset(curl); // options only: the connection cache stays
    HttpResponse response;
    BodySink sink { .body = &response.body, .limit = m_options.max_body_bytes };
    char error_buffer[CURL_ERROR_SIZE] = {};

    curl_slist* header_list = nullptr;
    for (auto const& header : request.headers)
        header_list = library.slist_append(header_list, header.c_str());

    library.easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    if (request.method == HttpMethod::Post) {
        library.easy_setopt(curl, CURLOPT_POST, 1L);
        library.easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        library.easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    } else {
        library.easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }
    library.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    library.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    library.easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    library.easy_setopt(curl, CURLOPT_FOLLOWLOCATION, m_options.max_redirects > 0 ? 1L : 0L);
    library.easy_setopt(curl, CURLOPT_MAXREDIRS, m_options.max_redirects);
    library.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, clamp_ms(m_options.connect_timeout));
    library.easy_setopt(curl, CURLOPT_TIMEOUT_MS, clamp_ms(m_options.total_timeout));
    library.easy_setopt(curl, CURLOPT_ERRORBUFFER, error_buffer);
    library.easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_body);
    library.easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    if (m_options.accept_encoding == AcceptEncoding::Any)
        library.easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    if (!m_options.user_agent.empty())
        library.easy_setopt(curl, CURLOPT_USERAGENT, m_options.user_agent.c_str());
    if (header_list)
        library.easy_setopt(curl, CURLOPT_HTTPHEADER, header_list);

    CURLcode code = library.easy_perform(curl);
    library.easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    // Nothing the handle keeps may point at this call's locals once it returns.
    library.easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    library.easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    library.easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    library.slist_free_all(header_list);

    if (sink.overflowed) {
        if (m_options.overflow == BodyOverflow::Truncate) {
            response.truncated = true;
            return { std::move(response), HttpFailure::None };
        }
        return { make_error(fmt::format("response body of {} exceeds {} bytes", request.url, m_options.max_body_bytes)), HttpFailure::BodyTooLarge };
    }
    if (code != CURLE_OK) {
        std::string detail = error_buffer[0] != '\0' ? std::string(error_buffer) : std::string(library.easy_strerror(code));
        return { make_error(fmt::format("request to {} failed: {}", request.url, detail)), failure_of(code) };
    }
    return { std::move(response), HttpFailure::None };
}

ErrorOr<HttpResponse> HttpClient::get(std::string const& url, std::vector<std::string> const& headers)
{
    return send({ HttpMethod::Get, url, headers, {} }).response;
}

ErrorOr<HttpResponse> HttpClient::post(std::string const& url, std::string body, std::vector<std::string> const& headers)
{
    return send({ HttpMethod::Post, url, headers, std::move(body) }).response;
}

ErrorOr<std::string> HttpClient::get_success_body(std::string const& url)
{
    auto response = TRY(get(url));
    if (!response.is_success())
        return make_error(fmt::format("HTTP status {} for {}", response.status, url));
    return std::move(response.body);
}

bool is_http_url(std::string_view url)
{
    auto starts_with_nocase = [&](std::string_view prefix) {
        if (url.size() < prefix.size())
            return false;
        for (size_t index = 0; index < prefix.size(); ++index) {
            char c = url[index];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[index])
                return false;
        }
        return true;
    };
    return starts_with_nocase("http://") || starts_with_nocase("https://");
}

std::string percent_encode(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    return out;
}

std::string query_string(std::vector<std::pair<std::string_view, std::string_view>> const& parameters)
{
    std::string out;
    for (auto const& [key, value] : parameters) {
        if (!out.empty())
            out.push_back('&');
        out += percent_encode(key);
        out.push_back('=');
        out += percent_encode(value);
    }
    return out;
}

}
