#include <chrono>
#include <optional>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "src/app/FetchWorker.h"
#include "src/backend/FetchWorkerBody.h"
#include "tests/backend/FakeInnertube.h"
#include "tests/backend/LoopbackServer.h"
#include "tests/backend/StandInYtDlp.h"

namespace {

using namespace vexa;
using vexa::testing::InnertubeScript;
using vexa::testing::LoopbackServer;
using vexa::testing::StandInYtDlp;
using vexa::testing::test_video;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

// What the harness's innertube maker answers unless a test gives it a script: these tests are
// about the worker, the real innertube backend has tests of its own.
constexpr char const* no_innertube = "the innertube client is not part of this build";

// A real worker thread over loopback services and the stand-in yt-dlp.
class WorkerHarness {
public:
    WorkerHarness()
    {
        ::unsetenv("KASO_VEXA_INVIDIOUS");
        environment = FetchWorkerEnvironment::with_settings(ServiceSettings::loopback(server.origin()));
        environment.make_innertube = [](ServiceSettings const&) -> BackendResult<std::unique_ptr<InnertubeRole>> { return backend_error(no_innertube); };
        server.serve("/sponsorblock/api/skipSegments", 200, R"([{"category": "sponsor", "segment": [5, 9], "votes": 2}])");
        server.serve("/sponsorblock/api/branding", 200, R"({"titles": [{"title": "Calm", "votes": 1}], "thumbnails": []})");
        server.serve("/ryd/votes", 200, R"({"dislikes": 5})");
        server.handle("/invidious/latest_version", [](httplib::Request const&, httplib::Response& response) {
            response.status = 206;
            response.set_content("bytes", "video/mp4");
        });
    }

    void use_innertube(std::shared_ptr<InnertubeScript> script) { environment.make_innertube = vexa::testing::innertube_maker(std::move(script)); }
    void use_primary(std::shared_ptr<InnertubeScript> script) { environment.make_ytdlp = vexa::testing::primary_maker(std::move(script)); }
    void without_ytdlp() { environment.settings.ytdlp_program = "vexa-no-such-yt-dlp"; }

    void start() { worker = FetchWorker::start(environment); }
    bool submit(WorkerRequest const& request) { return worker->submit(request); }

    // The next `count` messages, waiting at most a few seconds for them.
    Lines next(size_t count)
    {
        Lines lines;
        auto deadline = std::chrono::steady_clock::now() + 8s;
        while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
            for (auto& message : take(count - lines.size()))
                lines.push_back(describe(message));
            if (lines.size() < count)
                std::this_thread::sleep_for(2ms);
        }
        return lines;
    }

    // Messages arriving within a short while: none expected.
    Lines quiet()
    {
        std::this_thread::sleep_for(150ms);
        Lines lines;
        for (auto& message : take(1000))
            lines.push_back(describe(message));
        return lines;
    }

    std::vector<WorkerMessage> take(size_t count)
    {
        std::vector<WorkerMessage> taken;
        while (!m_buffer.empty() && taken.size() < count) {
            taken.push_back(std::move(m_buffer.front()));
            m_buffer.erase(m_buffer.begin());
        }
        if (taken.size() < count) {
            for (auto& message : worker->drain_results())
                m_buffer.push_back(std::move(message));
            while (!m_buffer.empty() && taken.size() < count) {
                taken.push_back(std::move(m_buffer.front()));
                m_buffer.erase(m_buffer.begin());
            }
        }
        return taken;
    }

    std::string stream_url() const { return server.origin() + "/invidious/latest_version?id=vid_a&itag=22&local=true"; }
    std::string host() const { return server.origin().substr(std::string("http://").size()); }

    LoopbackServer server;
    FetchWorkerEnvironment environment;
    std::optional<FetchWorker> worker;

private:
    std::vector<WorkerMessage> m_buffer;
};

std::string status(char const* label, bool live) { return describe(worker_message::Status { label, live }); }
std::string note(std::string text) { return describe(worker_message::Note { std::move(text) }); }

TEST(FetchWorker, WithYtDlpAnswersEveryRequestKind)
{
    StandInYtDlp stand_in;
    WorkerHarness harness;
    harness.start();
    EXPECT_EQ(harness.next(2), (Lines { note("live backend ready: yt-dlp 2099.01.01"), status("connecting…", false) }));

    harness.submit(WorkerRequest::search("cats"));
    EXPECT_EQ(harness.next(3), (Lines { status("live (rustypipe)", true), note(std::string("rustypipe enrichment unavailable (") + no_innertube + ")"),
                                   R"(SearchResults("cats", 3 videos, 0 playlists, 0 channels))" }));
    harness.submit(WorkerRequest::trending());
    EXPECT_EQ(harness.next(2), (Lines { "Feed(3 videos)", status("live · trending", true) }));
    harness.submit(WorkerRequest::related("vid_a"));
    EXPECT_EQ(harness.next(2), (Lines { status("live (rustypipe)", true), R"(Related("vid_a", 0 videos))" }));
    harness.submit(WorkerRequest::channel("UCalpha"));
    EXPECT_EQ(harness.next(2), (Lines { status("live (rustypipe)", true), R"(ChannelLoaded("UCalpha", 3 uploads))" }));
    harness.submit(WorkerRequest::playlist("PLfun"));
    EXPECT_EQ(harness.next(1), (Lines { R"(PlaylistLoaded("PLfun", 2 videos))" }));
    harness.submit(WorkerRequest::resolve_stream("vid_a"));
    EXPECT_EQ(harness.next(2), (Lines { note("stream: 720p video+audio [media.example]"),
                                   R"(Stream("vid_a", "https://media.example/v.mp4?sig=1", "720p", true))" }));
    harness.submit(WorkerRequest::enrich("vid_a"));
    EXPECT_EQ(harness.next(3), (Lines { R"(Segments("vid_a", 1 segments))", R"(Branding("vid_a", "Calm", none))", R"(Dislikes("vid_a", 5))" }));
    EXPECT_EQ(harness.quiet(), Lines {});
}

TEST(FetchWorker, WithoutAnyBackendServesOfflineStatusesEnrichmentAndInvidious)
{
    WorkerHarness harness;
    harness.without_ytdlp();
    harness.start();
    auto start = harness.next(3);
    ASSERT_EQ(start.size(), 3u);
    EXPECT_TRUE(start[0].starts_with("Note(\"yt-dlp unavailable (yt-dlp not runnable: cannot start vexa-no-such-yt-dlp")) << start[0];
    EXPECT_TRUE(start[0].ends_with("); falling back to rustypipe\")")) << start[0];
    EXPECT_EQ(start[1], note(std::string("live backend unavailable (") + no_innertube + "); no live catalogue available"));
    EXPECT_EQ(start[2], status("offline", false));

    harness.submit(WorkerRequest::search("cats"));
    EXPECT_EQ(harness.next(2), (Lines { note(std::string("rustypipe enrichment unavailable (") + no_innertube + ")"),
                                   R"(SearchResults("cats", 0 videos, 0 playlists, 0 channels))" }));
    harness.submit(WorkerRequest::trending());
    harness.submit(WorkerRequest::related("vid_a"));
    harness.submit(WorkerRequest::channel("UCalpha"));
    harness.submit(WorkerRequest::playlist("PLfun"));
    EXPECT_EQ(harness.next(2), (Lines { status("offline — no live data", false), note("playlist PLfun: unavailable") }));
    harness.submit(WorkerRequest::resolve_stream("vid_a"));
    EXPECT_EQ(harness.next(2), (Lines { note("stream: 720p video+audio [" + harness.host() + "]"),
                                   describe(worker_message::Stream {
                                       .video_id = "vid_a", .url = harness.stream_url(), .quality = "720p", .has_audio = true }) }));
    harness.submit(WorkerRequest::enrich("vid_a"));
    EXPECT_EQ(harness.next(3).size(), 3u);
    EXPECT_EQ(harness.quiet(), Lines {});
}

TEST(FetchWorker, FallsBackToTheInnertubeBackendWhenYtDlpCannotRun)
{
    auto script = std::make_shared<InnertubeScript>();
    WorkerHarness harness;
    harness.without_ytdlp();
    harness.use_innertube(script);
    harness.start();
    auto start = harness.next(3);
    ASSERT_EQ(start.size(), 3u);
    EXPECT_EQ(start[1], note("live backend ready (fallback): no_botguard (metadata only)"));
    EXPECT_EQ(start[2], status("connecting…", false));
    EXPECT_EQ(script->made.load(), 1);
}

TEST(FetchWorker, TrendingWithoutVideosComposesThePopularFeedFromTopicSearches)
{
    StandInYtDlp stand_in("empty-trending");
    WorkerHarness harness;
    harness.start();
    harness.next(2);
    harness.submit(WorkerRequest::trending());
    // Every topic answers the same three videos: duplicates go, the topic count stays 6.
    EXPECT_EQ(harness.next(4), (Lines { note(std::string("rustypipe enrichment unavailable (") + no_innertube + ")"),
                                   note("dedicated trending endpoint retired — composed real popular feed (3 videos, view-sorted across 6 topics)"),
                                   "Feed(3 videos)", status("live · popular", true) }));
    Lines searched;
    for (auto const& run : stand_in.runs()) {
        if (run.size() == 4 && run[3].starts_with("ytsearch30:"))
            searched.push_back(run[3]);
    }
    EXPECT_EQ(searched, (Lines { "ytsearch30:news", "ytsearch30:music", "ytsearch30:gaming", "ytsearch30:technology",
                            "ytsearch30:sports", "ytsearch30:science" }));
}

TEST(FetchWorker, PopularFeedInterleavesTopicsAndDropsLaterDuplicates)
{
    auto script = std::make_shared<InnertubeScript>();
    script->popular["news"] = FetchedVideos { { test_video("n1"), test_video("shared"), test_video("n3") } };
    script->popular["music"] = FetchedVideos { { test_video("shared"), test_video("m2") } };
    script->popular["gaming"] = backend_error("boom");
    script->popular["sports"] = FetchedChannel {};
    WorkerHarness harness;
    harness.without_ytdlp();
    harness.use_innertube(script);
    harness.start();
    harness.next(3);
    harness.submit(WorkerRequest::trending());
    EXPECT_EQ(harness.next(4), (Lines { note("popular seed \"gaming\": boom"),
                                   note("dedicated trending endpoint retired — composed real popular feed (4 videos, view-sorted across 6 topics)"),
                                   "Feed(4 videos)", status("live · popular", true) }));


    script->popular.clear();
    for (auto const* topic : { "news", "music", "gaming", "technology", "sports", "science" })
        script->popular[topic] = backend_error("down");
    harness.submit(WorkerRequest::trending());
    auto lines = harness.next(7);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], note("popular seed \"news\": down"));
    EXPECT_EQ(lines[5], note("popular seed \"science\": down"));
    EXPECT_EQ(lines[6], status("offline — no live data", false));
    EXPECT_EQ(harness.quiet(), Lines {});
}

TEST(ComposedFeed, OrderFollowsTheRoundRobinWithFirstOccurrencesKept)
{
    auto script = std::make_shared<InnertubeScript>();
    script->popular["news"] = FetchedVideos { { test_video("n1"), test_video("shared"), test_video("n3") } };
    script->popular["music"] = FetchedVideos { { test_video("shared"), test_video("m2") } };
    auto [request_sender, request_receiver] = kaso::bounded_queue<WorkerRequest>(4);
    auto [result_sender, result_receiver] = kaso::bounded_queue<WorkerMessage>(64);
    auto environment = FetchWorkerEnvironment::with_settings(ServiceSettings::loopback("http://127.0.0.1:9"));
    environment.settings.ytdlp_program = "vexa-no-such-yt-dlp";
    environment.make_innertube = vexa::testing::innertube_maker(script);
    (void)request_sender.try_send(WorkerRequest::trending());
    { auto closing = std::move(request_sender); }
    // Runs on this thread and returns once the request queue is closed and drained.
    run_fetch_worker(std::move(request_receiver), std::move(result_sender), std::move(environment));
    std::vector<std::string> feed;
    while (auto message = result_receiver.try_receive()) {
        if (auto* answer = std::get_if<worker_message::Feed>(&*message)) {
            for (auto const& video : answer->videos)
                feed.push_back(video.id);
        }
    }
    EXPECT_EQ(feed, (Lines { "n1", "shared", "m2", "n3" }));
    EXPECT_EQ(script->destroyed.load(), script->made.load());
}

TEST(FetchWorker, SearchUsesTheInnertubeItemsAndFillsMissingAvatars)
{
    StandInYtDlp stand_in;
    auto script = std::make_shared<InnertubeScript>();
    SearchItems items;
    auto by_id = test_video("item", "UCalpha", "Alpha");
    by_id.channel_avatar_url = "https://img/alpha.jpg";
    items.videos.push_back(by_id);
    Channel beta;
    beta.id = "UCother";
    beta.name = "  BETA ";
    beta.avatar_url = "https://img/beta.jpg";
    items.channels.push_back(beta);
    items.playlists.push_back(Playlist {});
    script->items = items;
    WorkerHarness harness;
    harness.use_innertube(script);
    harness.start();
    harness.next(2);
    harness.submit(WorkerRequest::search("cats"));
    auto messages = std::vector<WorkerMessage> {};
    harness.next(1); // the live status
    auto deadline = std::chrono::steady_clock::now() + 8s;
    while (messages.empty() && std::chrono::steady_clock::now() < deadline)
        messages = harness.take(1);
    ASSERT_EQ(messages.size(), 1u);
    auto const& results = std::get<worker_message::SearchResults>(messages[0]);
    ASSERT_EQ(results.videos.size(), 3u); // the primary's videos win over the items' videos
    EXPECT_EQ(results.videos[0].channel_avatar_url, "https://img/alpha.jpg"); // by creator id
    EXPECT_EQ(results.videos[1].channel_avatar_url, "https://img/beta.jpg");  // by trimmed lower-cased name
    EXPECT_EQ(results.videos[2].channel_avatar_url, "");                      // matched by neither
    EXPECT_EQ(results.playlists.size(), 1u);
    EXPECT_EQ(results.channels.size(), 1u);

    // A failing primary search still answers from the items, after its note.
    stand_in.set_scenario("fail");
    harness.submit(WorkerRequest::search("dogs"));
    EXPECT_EQ(harness.next(2), (Lines { note("live Search(\"dogs\"): yt-dlp failed: ERROR: [youtube] abc: Video unavailable"),
                                   R"(SearchResults("dogs", 1 videos, 1 playlists, 1 channels))" }));

    // Failing items still give one answer.
    script->items = backend_error("search_items: quota");
    stand_in.set_scenario("success");
    harness.submit(WorkerRequest::search("owls"));
    EXPECT_EQ(harness.next(3), (Lines { status("live (rustypipe)", true), note("search enrich: search_items: quota"),
                                   R"(SearchResults("owls", 3 videos, 0 playlists, 0 channels))" }));
    EXPECT_EQ(script->made.load(), 1); // one enrichment backend for the worker's life
}

TEST(FetchWorker, RelatedSendsNothingWithoutTheVideoButStillFetchesComments)
{
    StandInYtDlp stand_in("fail");
    auto script = std::make_shared<InnertubeScript>();
    Comment comment;
    comment.author = "@a";
    script->comments = std::vector<Comment> { comment };
    WorkerHarness harness;
    harness.use_innertube(script);
    harness.start();
    harness.next(2);
    harness.submit(WorkerRequest::related("vid_a"));
    EXPECT_EQ(harness.next(2), (Lines { note("live Video(\"vid_a\"): yt-dlp failed: ERROR: [youtube] abc: Video unavailable"),
                                   R"(Comments("vid_a", 1 comments))" }));
    script->comments = std::vector<Comment> {};
    harness.submit(WorkerRequest::related("vid_a"));
    EXPECT_EQ(harness.next(1).size(), 1u);
    script->comments = backend_error("comments page vid_a: gone");
    harness.submit(WorkerRequest::related("vid_a"));
    EXPECT_EQ(harness.next(2), (Lines { note("live Video(\"vid_a\"): yt-dlp failed: ERROR: [youtube] abc: Video unavailable"),
                                   note("comments: comments page vid_a: gone") }));
    EXPECT_EQ(harness.quiet(), Lines {});
}

TEST(FetchWorker, APlaylistThePrimaryCannotResolveComesFromTheEnrichmentBackend)
{
    StandInYtDlp stand_in("fail");
    auto script = std::make_shared<InnertubeScript>();
    Playlist playlist;
    playlist.id = "PLx";
    script->playlist = std::pair { playlist, std::vector<Video> { test_video("a") } };
    WorkerHarness harness;
    harness.use_innertube(script);
    harness.start();
    harness.next(2);
    harness.submit(WorkerRequest::playlist("PLx"));
    EXPECT_EQ(harness.next(1), (Lines { R"(PlaylistLoaded("PLx", 1 videos))" }));
    EXPECT_EQ(harness.quiet(), Lines {});
}

TEST(FetchWorker, HostileServicesEndInNotes)
{
    WorkerHarness harness;
    harness.without_ytdlp();
    harness.server.serve("/sponsorblock/api/skipSegments", 200, R"([{"category": "sponsor", "segment": [)");
    harness.server.handle("/sponsorblock/api/branding", [](httplib::Request const&, httplib::Response& response) {
        vexa::testing::stream_bytes(response, 100u << 20);
    });
    harness.server.handle("/ryd/votes", [](httplib::Request const&, httplib::Response& response) { response.set_redirect("file:///etc/passwd"); });
    harness.start();
    harness.next(3);
    harness.submit(WorkerRequest::enrich("vid_a"));
    auto lines = harness.next(3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("Note(\"SponsorBlock: invalid JSON")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("Note(\"DeArrow: response body")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("Note(\"Dislikes: ")) << lines[2];
}

TEST(FetchWorker, StreamAddressesThatAreNotHttpAreDropped)
{
    auto script = std::make_shared<InnertubeScript>();
    PlaybackSource local;
    local.url = "file:///etc/passwd";
    local.quality = "1080p";
    script->source = local;
    WorkerHarness harness;
    harness.use_primary(script);
    harness.server.serve("/invidious/latest_version", 200, "");
    harness.start();
    harness.next(2);
    harness.submit(WorkerRequest::resolve_stream("vid_a"));
    EXPECT_EQ(harness.next(1), (Lines { note("could not resolve a playable stream (no Invidious instance served bytes, and no direct URL was available)") }));
}

TEST(FetchWorker, TheThirtyThirdRequestWaitingIsRefused)
{
    auto script = std::make_shared<InnertubeScript>();
    script->hold_search = true;
    WorkerHarness harness;
    harness.use_primary(script);
    harness.start();
    ASSERT_TRUE(harness.submit(WorkerRequest::search("busy")));
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!script->search_entered && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(script->search_entered);
    for (int index = 0; index < 32; ++index)
        ASSERT_TRUE(harness.submit(WorkerRequest::enrich("v" + std::to_string(index)))) << index;
    EXPECT_FALSE(harness.submit(WorkerRequest::enrich("one too many")));
    script->release();
    // The worker then answers all it took: 2 start messages, 3 for the search, 3 for each enrichment.
    EXPECT_EQ(harness.next(2 + 3 + 32 * 3).size(), 101u);
    EXPECT_EQ(harness.quiet(), Lines {});
}

TEST(FetchWorker, DrainTakesAtMostThirtyTwoMessages)
{
    WorkerHarness harness;
    harness.without_ytdlp();
    harness.start();
    for (int index = 0; index < 13; ++index)
        harness.submit(WorkerRequest::enrich("v" + std::to_string(index)));
    // 3 start messages and 39 answers; wait until the last service was asked, then a little more.
    auto deadline = std::chrono::steady_clock::now() + 8s;
    while (harness.server.requests_to("/ryd/votes").size() < 13 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(harness.worker->drain_results().size(), 32u);
    EXPECT_EQ(harness.worker->drain_results().size(), 10u);
    EXPECT_TRUE(harness.worker->drain_results().empty());
}

TEST(FetchWorker, DroppingTheHandleEndsTheWorker)
{
    auto script = std::make_shared<InnertubeScript>();
    {
        WorkerHarness harness;
        harness.use_primary(script);
        harness.start();
        harness.next(2);
    }
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (script->destroyed.load() < 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(script->destroyed.load(), 1);
}

TEST(StreamNote, NamesTheHostOrStream)
{
    EXPECT_EQ(stream_note("720p", true, "https://r1.host.example:443/videoplayback?x=https://other/"), "stream: 720p video+audio [r1.host.example:443]");
    EXPECT_EQ(stream_note("360p", false, "host/path"), "stream: 360p video only [stream]");
    EXPECT_EQ(stream_note("", false, "http://h"), "stream:  video only [h]");
}

}
