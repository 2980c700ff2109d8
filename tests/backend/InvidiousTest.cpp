#include <chrono>
#include <atomic>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>
#include <httplib.h>

#include "src/backend/Invidious.h"
#include "tests/backend/LoopbackServer.h"

namespace {

using namespace vexa;
using vexa::testing::LoopbackServer;
using namespace std::chrono_literals;

TEST(InvidiousInstances, EnvironmentInstancesComeFirstTrimmedWithoutBlanks)
{
    ServiceSettings settings;
    settings.invidious_instances = { "http://127.0.0.1:1", "http://127.0.0.1:2" };
    auto instances = invidious_instances(settings, std::string_view(" http://127.0.0.1:7/ , ,http://127.0.0.1:8,http://127.0.0.1:7/"));
    EXPECT_EQ(instances, (std::vector<std::string> { "http://127.0.0.1:7/", "http://127.0.0.1:8", "http://127.0.0.1:7/",
                             "http://127.0.0.1:1", "http://127.0.0.1:2" }));
    EXPECT_EQ(invidious_instances(settings, std::nullopt), settings.invidious_instances);
    EXPECT_EQ(invidious_instances(settings, std::string_view("")), settings.invidious_instances);
    EXPECT_EQ(ServiceSettings::standard().invidious_instances.size(), 6u);
}

TEST(InvidiousInstances, ReadsTheEnvironmentVariable)
{
    ServiceSettings settings;
    ::setenv("KASO_VEXA_INVIDIOUS", "http://127.0.0.1:5", 1);
    auto instances = invidious_instances(settings);
    ::unsetenv("KASO_VEXA_INVIDIOUS");
    EXPECT_EQ(instances, (std::vector<std::string> { "http://127.0.0.1:5" }));
}

TEST(InvidiousAddress, DropsTrailingSlashes)
{
    EXPECT_EQ(invidious_latest_version_url("http://inv.local//", "abc", 22), "http://inv.local/latest_version?id=abc&itag=22&local=true");
    EXPECT_EQ(invidious_latest_version_url("http://inv.local", "a&b", 18), "http://inv.local/latest_version?id=a%26b&itag=18&local=true");
}

// Two instances on one server: "/one" and "/two".
struct Instances {
    LoopbackServer server;
    ServiceSettings settings;

    Instances()
    {
        settings = ServiceSettings::loopback(server.origin());
        settings.invidious_instances = { server.origin() + "/one/", server.origin() + "/two" };
    }
};

TEST(ResolveViaInvidious, TakesTheFirstFormatThatServesBytes)
{
    Instances instances;
    instances.server.handle("/one/latest_version", [](httplib::Request const& request, httplib::Response& response) {
        if (request.get_param_value("itag") == "22") {
            response.status = 404;
            return;
        }
        response.status = 206;
        response.set_content(std::string(2048, 'v'), "video/mp4");
    });
    auto stream = resolve_via_invidious(instances.settings, "vid");
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(stream->quality, "360p");
    EXPECT_EQ(stream->itag, 18u);
    EXPECT_EQ(stream->mime, R"(video/mp4; codecs="avc1.42001E, mp4a.40.2")");
    EXPECT_EQ(stream->url, instances.server.origin() + "/one/latest_version?id=vid&itag=18&local=true");
    EXPECT_TRUE(stream->has_audio);
    auto seen = instances.server.requests_to("/one/latest_version");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].range, "bytes=0-2047");
    EXPECT_EQ(seen[0].query["itag"], "22");
    EXPECT_EQ(seen[0].query["local"], "true");
}

TEST(ResolveViaInvidious, AnEmptyBodyFailsAndTheNextInstanceIsTried)
{
    Instances instances;
    instances.server.serve("/one/latest_version", 200, "", "video/mp4");
    auto written = std::make_shared<std::atomic<size_t>>(0);
    instances.server.handle("/two/latest_version", [written](httplib::Request const&, httplib::Response& response) {
        // Ignores Range and sends a whole (endless-looking) video: the probe stops reading early.
        vexa::testing::stream_bytes(response, 100u << 20, 200, written);
    });
    auto stream = resolve_via_invidious(instances.settings, "vid");
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(stream->quality, "720p");
    EXPECT_EQ(stream->itag, 22u);
    EXPECT_EQ(stream->url, instances.server.origin() + "/two/latest_version?id=vid&itag=22&local=true");
    EXPECT_LT(written->load(), 64u << 20); // only what the socket buffers took ahead of the probe
}

TEST(ResolveViaInvidious, NothingWhenNoInstanceServes)
{
    Instances instances;
    std::atomic<int> attempts { 0 };
    instances.server.handle("/one/latest_version", [&](httplib::Request const&, httplib::Response& response) {
        ++attempts;
        response.status = 500;
        response.set_content("oops", "text/plain");
    });
    instances.server.handle("/two/latest_version", [&](httplib::Request const&, httplib::Response& response) {
        ++attempts;
        response.set_redirect("file:///etc/passwd");
    });
    EXPECT_FALSE(resolve_via_invidious(instances.settings, "vid").has_value());
    EXPECT_EQ(attempts.load(), 4);
}

TEST(ResolveViaInvidious, NoAttemptStartsAfterTheBudget)
{
    Instances instances;
    instances.settings.invidious_request_timeout = 250ms;
    instances.settings.invidious_budget = 400ms;
    instances.settings.invidious_instances = {};
    for (int index = 0; index < 10; ++index)
        instances.settings.invidious_instances.push_back(instances.server.origin() + "/slow");
    std::atomic<int> attempts { 0 };
    instances.server.handle("/slow/latest_version", [&](httplib::Request const&, httplib::Response& response) {
        ++attempts;
        std::this_thread::sleep_for(400ms);
        response.set_content("late", "video/mp4");
    });
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(resolve_via_invidious(instances.settings, "vid").has_value());
    // Without the budget every instance and format would be tried, each for its 250 ms: 5 s.
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, 3s);
    // Attempts at 0 and 250 ms; the third would start after the 400 ms budget.
    std::this_thread::sleep_for(100ms);
    EXPECT_GE(attempts.load(), 1);
    EXPECT_LE(attempts.load(), 2);
}

}
