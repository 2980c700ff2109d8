#include <atomic>
#include <chrono>
#include <memory>
#include <string_view>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "kaso/platform/Http.h"
#include "tests/backend/LoopbackServer.h"

namespace {

using kaso::platform::AcceptEncoding;
using kaso::platform::BodyOverflow;
using kaso::platform::HttpClient;
using kaso::platform::HttpFailure;
using kaso::platform::HttpMethod;
using kaso::platform::HttpOptions;
using kaso::platform::HttpRequest;
using vexa::testing::LoopbackServer;
using namespace std::chrono_literals;

HttpOptions short_options(size_t max_body = 1024 * 1024)
{
    HttpOptions options;
    options.user_agent = "vexa-test/1";
    options.connect_timeout = 1s;
    options.total_timeout = 2s;
    options.max_body_bytes = max_body;
    return options;
}

TEST(HttpClient, GetsABodyWithItsStatusAndUserAgent)
{
    LoopbackServer server;
    server.serve("/hello", 200, "hi there", "text/plain");
    server.serve("/missing", 404, "nope", "text/plain");
    HttpClient client(short_options());

    auto response = client.get(server.origin() + "/hello");
    ASSERT_TRUE(response.has_value()) << response.error().message;
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body, "hi there");
    EXPECT_EQ(server.requests_to("/hello").at(0).user_agent, "vexa-test/1");

    auto missing = client.get(server.origin() + "/missing");
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->status, 404);
    auto as_body = client.get_success_body(server.origin() + "/missing");
    ASSERT_FALSE(as_body.has_value());
    EXPECT_NE(as_body.error().message.find("HTTP status 404"), std::string::npos) << as_body.error().message;
}

TEST(HttpClient, AHundredMegabyteBodyFailsAtTheCapWithoutReadingItAll)
{
    auto written = std::make_shared<std::atomic<size_t>>(0);
    LoopbackServer server;
    server.handle("/huge", [written](httplib::Request const&, httplib::Response& response) {
        vexa::testing::stream_bytes(response, 100u << 20, 200, written);
    });
    HttpClient client(short_options());
    auto response = client.get(server.origin() + "/huge");
    ASSERT_FALSE(response.has_value());
    EXPECT_NE(response.error().message.find("exceeds 1048576 bytes"), std::string::npos) << response.error().message;
    // The server gets ahead of the client only by what the socket buffers hold, never most of it.
    EXPECT_LT(written->load(), 64u << 20);
}

TEST(HttpClient, TruncatingClientKeepsTheFirstBytes)
{
    LoopbackServer server;
    server.handle("/huge", [](httplib::Request const&, httplib::Response& response) { vexa::testing::stream_bytes(response, 100u << 20); });
    auto options = short_options(2048);
    options.overflow = BodyOverflow::Truncate;
    HttpClient client(options);
    auto response = client.get(server.origin() + "/huge");
    ASSERT_TRUE(response.has_value()) << response.error().message;
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body.size(), 2048u);
    EXPECT_TRUE(response->truncated);
}

TEST(HttpClient, SpeaksOnlyHttpAndHttpsAlsoOnRedirects)
{
    LoopbackServer server;
    server.serve("/target", 200, "landed", "text/plain");
    server.handle("/to-file", [](httplib::Request const&, httplib::Response& response) { response.set_redirect("file:///etc/passwd"); });
    server.handle("/to-ftp", [](httplib::Request const&, httplib::Response& response) { response.set_redirect("ftp://127.0.0.1/x"); });
    server.handle("/to-target", [&](httplib::Request const&, httplib::Response& response) { response.set_redirect(server.origin() + "/target"); });
    HttpClient client(short_options());

    auto followed = client.get(server.origin() + "/to-target");
    ASSERT_TRUE(followed.has_value()) << followed.error().message;
    EXPECT_EQ(followed->body, "landed");

    for (auto const* path : { "/to-file", "/to-ftp" }) {
        auto response = client.get(server.origin() + path);
        EXPECT_FALSE(response.has_value()) << path;
    }
    for (auto const* address : { "file:///etc/passwd", "ftp://127.0.0.1/", "gopher://x", "javascript:alert(1)", "" }) {
        auto response = client.get(address);
        ASSERT_FALSE(response.has_value()) << address;
        EXPECT_NE(response.error().message.find("refused a non-HTTP address"), std::string::npos);
    }
}

TEST(HttpClient, ASlowServerHitsTheTotalTimeOut)
{
    LoopbackServer server;
    server.handle("/slow", [](httplib::Request const&, httplib::Response& response) {
        std::this_thread::sleep_for(1500ms);
        response.set_content("late", "text/plain");
    });
    auto options = short_options();
    options.total_timeout = 300ms;
    HttpClient client(options);
    // The answer comes five times later than the time-out: a response means it was not honoured.
    auto outcome = client.send(HttpRequest { HttpMethod::Get, server.origin() + "/slow", {}, {} });
    EXPECT_FALSE(outcome.response.has_value());
    EXPECT_EQ(outcome.failure, HttpFailure::TimedOut);
}

TEST(HttpClient, NothingListeningIsATransportError)
{
    // Bind and release a port so that nothing listens there.
    int port = 0;
    {
        LoopbackServer server;
        port = std::stoi(server.origin().substr(server.origin().rfind(':') + 1));
    }
    HttpClient client(short_options());
    auto response = client.get("http://127.0.0.1:" + std::to_string(port) + "/x");
    ASSERT_FALSE(response.has_value());
    EXPECT_NE(response.error().message.find("request to http://127.0.0.1"), std::string::npos) << response.error().message;
}

TEST(HttpClient, PostsItsBodyWithTheRequestHeaders)
{
    LoopbackServer server;
    server.handle("/echo", [](httplib::Request const& request, httplib::Response& response) {
        response.set_content(request.method + "|" + request.get_header_value("Content-Type") + "|" + request.get_header_value("X-Probe") + "|"
                + request.body,
            "text/plain");
    });
    HttpClient client(short_options());
    std::string body = R"({"query": "cats & dogs"})";
    body.push_back('\0'); // the length is sent, not a C string
    body += "tail";

    auto posted = client.post(server.origin() + "/echo", body, { "Content-Type: application/json", "X-Probe: one" });
    ASSERT_TRUE(posted.has_value()) << posted.error().message;
    EXPECT_EQ(posted->body, "POST|application/json|one|" + body);

    // The same handle asked next for a GET sends no body and none of the earlier headers.
    auto got = client.get(server.origin() + "/echo");
    ASSERT_TRUE(got.has_value()) << got.error().message;
    EXPECT_EQ(got->body, "GET|||");
}

TEST(HttpClient, AFailedTransferSaysWhy)
{
    LoopbackServer server;
    server.serve("/missing", 404, "nope", "text/plain");
    server.handle("/huge", [](httplib::Request const&, httplib::Response& response) { vexa::testing::stream_bytes(response, 4u << 20); });
    server.handle("/slow", [](httplib::Request const&, httplib::Response& response) {
        std::this_thread::sleep_for(1500ms);
        response.set_content("late", "text/plain");
    });
    server.handle("/to-file", [](httplib::Request const&, httplib::Response& response) { response.set_redirect("file:///etc/passwd"); });
    int closed_port = 0;
    {
        LoopbackServer gone;
        closed_port = std::stoi(gone.origin().substr(gone.origin().rfind(':') + 1));
    }
    auto options = short_options();
    options.total_timeout = 300ms;
    HttpClient client(options);

    struct Case {
        std::string url;
        HttpFailure failure;
        std::string_view message;
    };
    Case const cases[] = {
        { server.origin() + "/missing", HttpFailure::None, "" },
        { "ftp://127.0.0.1/x", HttpFailure::Refused, "refused a non-HTTP address \"ftp://127.0.0.1/x\"" },
        { server.origin() + "/to-file", HttpFailure::Refused, "request to " },
        { server.origin() + "/slow", HttpFailure::TimedOut, "request to " },
        { server.origin() + "/huge", HttpFailure::BodyTooLarge, "exceeds 1048576 bytes" },
        { "http://127.0.0.1:" + std::to_string(closed_port) + "/x", HttpFailure::Transport, "request to http://127.0.0.1:" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.url);
        for (auto method : { HttpMethod::Get, HttpMethod::Post }) {
            auto outcome = client.send(HttpRequest { method, c.url, {}, "{}" });
            EXPECT_EQ(outcome.failure, c.failure);
            if (c.failure == HttpFailure::None) {
                ASSERT_TRUE(outcome.response.has_value()) << outcome.response.error().message;
                EXPECT_EQ(outcome.response->status, 404);
            } else {
                ASSERT_FALSE(outcome.response.has_value());
                EXPECT_NE(outcome.response.error().message.find(c.message), std::string::npos) << outcome.response.error().message;
            }
        }
    }
}

TEST(HttpClient, AClientAllowingNoRedirectsAnswersWithTheRedirectItself)
{
    LoopbackServer server;
    server.serve("/target", 200, "landed", "text/plain");
    server.handle("/moved", [&](httplib::Request const&, httplib::Response& response) { response.set_redirect(server.origin() + "/target"); });
    auto options = short_options();
    options.max_redirects = 0;
    HttpClient client(options);
    auto response = client.get(server.origin() + "/moved");
    ASSERT_TRUE(response.has_value()) << response.error().message;
    EXPECT_EQ(response->status, 302);
    EXPECT_TRUE(server.requests_to("/target").empty());
}

TEST(HttpClient, AcceptingAnyEncodingHandsOverTheDecodedBody)
{
    LoopbackServer server;
    std::string text;
    for (int line = 0; line < 2000; ++line)
        text += "{\"line\": " + std::to_string(line) + "}\n";
    std::string seen_encoding = "unset";
    server.handle("/text", [&](httplib::Request const& request, httplib::Response& response) {
        seen_encoding = request.get_header_value("Accept-Encoding");
        response.set_content(text, "application/json"); // compressed when the client allows it
    });
    for (auto encoding : { AcceptEncoding::Identity, AcceptEncoding::Any }) {
        auto options = short_options();
        options.accept_encoding = encoding;
        HttpClient client(options);
        auto response = client.get(server.origin() + "/text");
        ASSERT_TRUE(response.has_value()) << response.error().message;
        EXPECT_EQ(response->body, text);
        EXPECT_EQ(seen_encoding.empty(), encoding == AcceptEncoding::Identity) << seen_encoding;
    }
}

TEST(PercentEncoding, EncodesEverythingButUnreservedCharacters)
{
    struct Case {
        std::string_view input;
        std::string_view expected;
    };
    for (auto const& [input, expected] : std::initializer_list<Case> {
             { "dQw4w9WgXcQ", "dQw4w9WgXcQ" },
             { "a-b_c.d~e", "a-b_c.d~e" },
             { "a b&c=d", "a%20b%26c%3Dd" },
             { "../x?y#z", "..%2Fx%3Fy%23z" },
             { "é", "%C3%A9" },
             { std::string_view("\0\n", 2), "%00%0A" },
         }) {
        EXPECT_EQ(kaso::platform::percent_encode(input), expected) << input;
    }
    EXPECT_EQ(kaso::platform::query_string({ { "videoID", "a&b" }, { "categories", R"(["x"])" } }),
        "videoID=a%26b&categories=%5B%22x%22%5D");
}

TEST(HttpUrls, OnlyHttpSchemesCount)
{
    EXPECT_TRUE(kaso::platform::is_http_url("http://a"));
    EXPECT_TRUE(kaso::platform::is_http_url("HTTPS://a/b"));
    EXPECT_FALSE(kaso::platform::is_http_url("file:///a"));
    EXPECT_FALSE(kaso::platform::is_http_url("httpx://a"));
    EXPECT_FALSE(kaso::platform::is_http_url("//cdn/a.jpg"));
}

}
