#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "src/backend/EnrichmentServices.h"
#include "src/backend/ImageFetch.h"
#include "tests/backend/LoopbackServer.h"

namespace {

using namespace vexa;
using vexa::testing::LoopbackServer;
using namespace std::chrono_literals;

struct Services {
    LoopbackServer server;
    ServiceSettings settings { ServiceSettings::loopback(server.origin()) };
    kaso::platform::HttpClient client { service_http_options(settings) };
};

TEST(EnrichmentServices, AskEachServiceWithItsQuery)
{
    Services services;
    services.server.serve("/sponsorblock/api/skipSegments", 200, R"([{"category": "intro", "segment": [0, 18], "votes": 4}])");
    services.server.serve("/sponsorblock/api/branding", 200,
        R"({"titles": [{"title": "Calm title", "votes": 2}], "thumbnails": [{"timestamp": 12.5, "votes": 0}]})");
    services.server.serve("/ryd/votes", 200, R"({"dislikes": 77})");

    auto segments = fetch_sponsor_segments(services.client, services.settings, "vid&1");
    ASSERT_TRUE(segments.has_value()) << segments.error().message;
    ASSERT_EQ(segments->size(), 1u);
    EXPECT_EQ((*segments)[0].category, SegmentCategory::Intro);

    auto branding = fetch_dearrow_branding(services.client, services.settings, "vid&1");
    ASSERT_TRUE(branding.has_value()) << branding.error().message;
    EXPECT_EQ(branding->title, "Calm title");
    EXPECT_EQ(branding->thumbnail_url, services.settings.dearrow_thumbnail_origin + "/api/v1/getThumbnail?videoID=vid%261&time=12.5");

    auto dislikes = fetch_dislike_count(services.client, services.settings, "vid&1");
    ASSERT_TRUE(dislikes.has_value()) << dislikes.error().message;
    EXPECT_EQ(*dislikes, 77u);

    auto segment_request = services.server.requests_to("/sponsorblock/api/skipSegments").at(0);
    EXPECT_EQ(segment_request.query["videoID"], "vid&1");
    EXPECT_EQ(segment_request.query["categories"],
        R"(["sponsor","selfpromo","interaction","intro","outro","preview","music_offtopic","filler"])");
    EXPECT_EQ(segment_request.user_agent, "vexa/0.1 (+kaso)");
    EXPECT_EQ(services.server.requests_to("/sponsorblock/api/branding").at(0).query["videoID"], "vid&1");
    EXPECT_EQ(services.server.requests_to("/ryd/votes").at(0).query["videoId"], "vid&1");
}

TEST(EnrichmentServices, HostileAnswersAreErrorsOrNothing)
{
    Services services;
    services.server.serve("/sponsorblock/api/skipSegments", 404, "Not Found", "text/plain");
    services.server.serve("/sponsorblock/api/branding", 200, R"({"titles": [{"title": "cut)");
    auto written = std::make_shared<std::atomic<size_t>>(0);
    services.server.handle("/ryd/votes", [written](httplib::Request const&, httplib::Response& response) {
        vexa::testing::stream_bytes(response, 100u << 20, 200, written);
    });

    auto segments = fetch_sponsor_segments(services.client, services.settings, "v");
    ASSERT_FALSE(segments.has_value());
    EXPECT_NE(segments.error().message.find("HTTP status 404"), std::string::npos) << segments.error().message;
    auto branding = fetch_dearrow_branding(services.client, services.settings, "v");
    ASSERT_FALSE(branding.has_value());
    EXPECT_NE(branding.error().message.find("invalid JSON"), std::string::npos) << branding.error().message;
    auto dislikes = fetch_dislike_count(services.client, services.settings, "v");
    ASSERT_FALSE(dislikes.has_value());
    EXPECT_NE(dislikes.error().message.find("exceeds 1048576 bytes"), std::string::npos) << dislikes.error().message;
    EXPECT_LT(written->load(), 64u << 20); // only what the socket buffers took ahead of the cap
}

TEST(EnrichmentServices, ARedirectToAFileIsRefused)
{
    Services services;
    services.server.handle("/ryd/votes", [](httplib::Request const&, httplib::Response& response) {
        response.set_redirect("file:///etc/passwd");
    });
    auto dislikes = fetch_dislike_count(services.client, services.settings, "v");
    ASSERT_FALSE(dislikes.has_value());
}

TEST(ImageFetch, FetchesBytesAndGivesNothingOnFailure)
{
    LoopbackServer server;
    server.serve("/img.jpg", 200, std::string("\xFF\xD8\xFF", 3), "image/jpeg");
    server.serve("/empty.jpg", 200, "", "image/jpeg");
    server.serve("/gone.jpg", 410, "gone", "text/plain");
    server.handle("/huge.jpg", [](httplib::Request const&, httplib::Response& response) { vexa::testing::stream_bytes(response, 100u << 20); });
    auto client = image_http_client();

    auto bytes = fetch_image_bytes(client, server.origin() + "/img.jpg");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), 3u);
    auto empty = fetch_image_bytes(client, server.origin() + "/empty.jpg");
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
    EXPECT_FALSE(fetch_image_bytes(client, server.origin() + "/gone.jpg").has_value());
    EXPECT_FALSE(fetch_image_bytes(client, server.origin() + "/huge.jpg").has_value());
    EXPECT_FALSE(fetch_image_bytes(client, "file:///etc/passwd").has_value());
    EXPECT_EQ(server.requests_to("/img.jpg").at(0).user_agent, "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0");
    EXPECT_EQ(client.options.max_body_bytes, 16u * 1024 * 1024);
    EXPECT_EQ(image_fetch_function()(server.origin() + "/img.jpg"), bytes);
}

TEST(ImageFetch, EachThreadKeepsItsConnectionBetweenFetches)
{
    LoopbackServer server;
    server.serve("/img.jpg", 200, std::string("\xFF\xD8\xFF", 3), "image/jpeg");
    auto fetch = image_fetch_function();
    auto fetch_three = [&] {
        for (int round = 0; round < 3; ++round)
            EXPECT_EQ(fetch(server.origin() + "/img.jpg").value_or(std::vector<uint8_t> {}).size(), 3u);
    };
    std::thread first(fetch_three);
    std::thread second(fetch_three);
    first.join();
    second.join();

    auto seen = server.requests_to("/img.jpg");
    ASSERT_EQ(seen.size(), 6u);
    std::set<int> connections;
    for (auto const& request : seen)
        connections.insert(request.remote_port);
    EXPECT_EQ(connections.size(), 2u);
}

TEST(ImageFetch, ProtocolRelativeAddressesUseHttps)
{
    // A TLS handshake against a plain HTTP server fails: the request went out over https.
    LoopbackServer server;
    server.serve("/img.jpg", 200, "bytes", "image/jpeg");
    auto client = image_http_client();
    client.options.total_timeout = 1s;
    auto relative = "//" + server.origin().substr(std::string("http://").size()) + "/img.jpg";
    EXPECT_FALSE(fetch_image_bytes(client, relative).has_value());
    EXPECT_TRUE(server.requests_to("/img.jpg").empty());
}

TEST(ImageFetch, IsCallableFromSeveralThreadsAtOnce)
{
    LoopbackServer server;
    server.serve("/img.jpg", 200, std::string(5000, 'i'), "image/jpeg");
    auto client = image_http_client();
    std::vector<std::thread> threads;
    std::atomic<int> fetched { 0 };
    for (int index = 0; index < 4; ++index) {
        threads.emplace_back([&] {
            for (int round = 0; round < 5; ++round) {
                if (auto bytes = fetch_image_bytes(client, server.origin() + "/img.jpg"); bytes && bytes->size() == 5000)
                    ++fetched;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(fetched.load(), 20);
}

}
