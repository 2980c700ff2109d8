#include <chrono>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "src/app/FetchWorker.h"
#include "src/backend/FetchWorkerBody.h"
#include "tests/backend/innertube/InnertubeService.h"

// The fetch worker with the program's own backend makers, no yt-dlp on PATH and innertube
// served from loopback: the innertube backend is then both the primary and the enrichment
// backend.
namespace {

using namespace vexa;
using vexa::testing::InnertubeService;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

class InnertubeWorker {
public:
    InnertubeWorker()
    {
        ::unsetenv("KASO_VEXA_INVIDIOUS");
        service.serve_fixture("search:cats", "search_legacy.json");
        service.serve_fixture("next:vidwatch", "watch_legacy.json");
        service.serve_fixture("continuation:TOKEN_LEGACY", "comments_legacy.json");
        service.serve_fixture("browse:FEtrending", "trending_retired.json");
        service.serve_fixture("search:news|CAMSBAgDEAE%3D", "search_legacy.json");
        service.serve_fixture("search:music|CAMSBAgDEAE%3D", "search_current.json");
        service.serve_fixture("browse:UCold", "channel_legacy.json");
        service.serve_fixture("browse:VLPLold", "playlist_legacy.json");
        worker = FetchWorker::start(FetchWorkerEnvironment::with_settings(ServiceSettings::loopback(service.origin())));
    }

    Lines next(size_t count)
    {
        Lines lines;
        auto deadline = std::chrono::steady_clock::now() + 8s;
        while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
            for (auto& message : worker->drain_results())
                lines.push_back(describe(message));
            if (lines.size() < count)
                std::this_thread::sleep_for(2ms);
        }
        return lines;
    }

    InnertubeService service;
    std::optional<FetchWorker> worker;
};

std::string status(char const* label, bool live) { return describe(worker_message::Status { label, live }); }
std::string note(std::string text) { return describe(worker_message::Note { std::move(text) }); }

TEST(InnertubeWorker, WithoutYtDlpTheInnertubeBackendServesSearchWatchTrendingChannelsAndPlaylists)
{
    InnertubeWorker harness;
    auto start = harness.next(3);
    ASSERT_EQ(start.size(), 3u);
    EXPECT_TRUE(start[0].starts_with("Note(\"yt-dlp unavailable (yt-dlp not runnable: ")) << start[0];
    EXPECT_TRUE(start[0].ends_with("); falling back to rustypipe\")")) << start[0];
    EXPECT_EQ(start[1], note("live backend ready (fallback): no_botguard (metadata only)"));
    EXPECT_EQ(start[2], status("connecting…", false));

    // The primary's videos, then the enrichment backend's creators and playlists.
    harness.worker->submit(WorkerRequest::search("cats"));
    EXPECT_EQ(harness.next(2), (Lines { status("live (rustypipe)", true), R"(SearchResults("cats", 3 videos, 1 playlists, 1 channels))" }));

    // A watch: the related videos with the video itself, then the first page of comments.
    harness.worker->submit(WorkerRequest::related("vidwatch"));
    EXPECT_EQ(harness.next(3), (Lines { status("live (rustypipe)", true), R"(Related("vidwatch", 2 videos))", R"(Comments("vidwatch", 3 comments))" }));

    // The trending page is gone: the feed is composed from the topics that answer.
    harness.worker->submit(WorkerRequest::trending());
    EXPECT_EQ(harness.next(7), (Lines {
                                   note(R"(popular seed "gaming": popular_search "gaming": HTTP 404)"),
                                   note(R"(popular seed "technology": popular_search "technology": HTTP 404)"),
                                   note(R"(popular seed "sports": popular_search "sports": HTTP 404)"),
                                   note(R"(popular seed "science": popular_search "science": HTTP 404)"),
                                   note("dedicated trending endpoint retired — composed real popular feed (5 videos, view-sorted across 6 topics)"),
                                   "Feed(5 videos)",
                                   status("live · popular", true),
                               }));

    harness.worker->submit(WorkerRequest::channel("UCold"));
    EXPECT_EQ(harness.next(2), (Lines { status("live (rustypipe)", true), R"(ChannelLoaded("UCold", 2 uploads))" }));
    harness.worker->submit(WorkerRequest::playlist("PLold"));
    EXPECT_EQ(harness.next(1), (Lines { R"(PlaylistLoaded("PLold", 2 videos))" }));

    // Two backends, each asked only what its role asks of it.
    EXPECT_EQ(harness.service.seen("search:cats").size(), 2u);   // primary search, enrichment search items
    EXPECT_EQ(harness.service.seen("next:vidwatch").size(), 3u); // related, video, comments details
}

TEST(InnertubeWorker, FailedInnertubeQueriesBecomeNotes)
{
    InnertubeWorker harness;
    harness.next(3);
    harness.worker->submit(WorkerRequest::search("dogs"));
    EXPECT_EQ(harness.next(3), (Lines { note(R"(live Search("dogs"): search: HTTP 404)"), note("search enrich: search_items: HTTP 404"),
                                   R"(SearchResults("dogs", 0 videos, 0 playlists, 0 channels))" }));
    harness.worker->submit(WorkerRequest::related("nope"));
    EXPECT_EQ(harness.next(3), (Lines { note(R"(live Related("nope"): related: HTTP 404)"), note(R"(live Video("nope"): video: HTTP 404)"),
                                   note("comments: comments details nope: HTTP 404") }));
    harness.worker->submit(WorkerRequest::playlist("PLnone"));
    EXPECT_EQ(harness.next(1), (Lines { note("playlist PLnone: unavailable") }));
}

}
