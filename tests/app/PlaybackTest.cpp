#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kaso/ui/FrameDriver.h"
#include "src/app/VexaApp.h"
#include "src/backend/ModelBackend.h"
#include "src/backend/SampleCatalogue.h"

using namespace kaso::ui;
using vexa::Route;
using vexa::Segment;
using vexa::SegmentCategory;
using vexa::Video;

namespace {

// A catalogue with one video of 100 s holding a Skip segment (sponsor, 10..20), a Show segment
// (intro, 40..50), and a related video to go on to.
vexa::VexaModel playback_model()
{
    auto model = vexa::VexaModel::empty();
    Video main;
    main.id = "main";
    main.title = "Main";
    main.channel_id = "c";
    main.duration = 100;
    main.sponsor = { Segment { SegmentCategory::Sponsor, 10, 20, 1 }, Segment { SegmentCategory::Filler, 60, 70, 1 } };
    Video next = main;
    next.id = "next";
    next.title = "Next";
    next.sponsor.clear();
    model.videos = { main, next };
    model.related_for = "main";
    model.related_ids = { "next" };
    model.settings.sponsor_categories["intro"] = vexa::SegmentMode::Show;
    model.videos[0].sponsor.push_back(Segment { SegmentCategory::Intro, 40, 50, 1 });
    model.route = Route::watch("main");
    return model;
}

std::unique_ptr<vexa::VexaApp> watching(double position)
{
    auto model = playback_model();
    model.playback_position = position;
    auto app = vexa::VexaApp::create_for_owner("user:test");
    app->with_model(std::move(model)).apply_launch_route(Route::watch("main"));
    return app;
}

}

TEST(Playback, SkipSegmentsAtTheirStartNotAtTheirEnd)
{
    struct Case {
        double position;
        bool skips;
    };
    Case cases[] = { { 10, true }, { 15.5, true }, { 19.999, true }, { 20, false }, { 9.999, false }, { 45, false }, { 65, false } };
    for (auto const& c : cases) {
        auto app = watching(c.position);
        EXPECT_EQ(app->skip_sponsor_segment(), c.skips) << c.position;
        if (c.skips) {
            EXPECT_EQ(app->model().playback_position, 20);
            ASSERT_FALSE(app->model().notices.empty());
            EXPECT_EQ(app->model().notices.front(), "Skipped Sponsor (0:10–0:20)");
        }
    }
}

TEST(Playback, AutoplayGoesToTheFirstRelatedVideoAtTheEnd)
{
    auto early = watching(99.9);
    EXPECT_FALSE(early->autoplay_next());
    auto done = watching(99.9995);
    EXPECT_TRUE(done->autoplay_next());
    EXPECT_EQ(done->model().route, Route::watch("next"));
    EXPECT_EQ(done->navigation().back_stack.back(), Route::watch("main"));

    // A related list that starts with the video itself goes nowhere.
    auto model = playback_model();
    model.related_ids = { "main", "next" };
    model.playback_position = 100;
    auto app = vexa::VexaApp::create_for_owner("user:test");
    app->with_model(std::move(model)).apply_launch_route(Route::watch("main"));
    EXPECT_FALSE(app->autoplay_next());
}

TEST(Playback, SeekActionsNeedAKnownWatchVideo)
{
    auto app = watching(0);
    app->operations()->push(vexa::UiAction::seek(0.5));
    FrameDriver driver(std::move(app), Theme::dark());
    auto& root = static_cast<vexa::VexaApp&>(driver.root());
    driver.dispatch(PointerLeave {}, {});
    EXPECT_EQ(root.model().playback_position, 50);

    root.operations()->push(vexa::UiAction::skip_segment(std::nan(""))); // ignored
    root.operations()->push(vexa::UiAction::skip_segment(-5)); // clamped to the start
    driver.dispatch(PointerLeave {}, {});
    EXPECT_EQ(root.model().playback_position, 0);
    EXPECT_EQ(root.model().notices.front(), "Skipped to 0:00");

    // Past the end is the end, where autoplay takes the next video.
    root.operations()->push(vexa::UiAction::seek(7.0));
    driver.dispatch(PointerLeave {}, {});
    EXPECT_EQ(root.model().route, Route::watch("next"));

    auto elsewhere = vexa::VexaApp::create_for_owner("user:test");
    elsewhere->operations()->push(vexa::UiAction::seek(0.5));
    FrameDriver other(std::move(elsewhere), Theme::dark());
    other.dispatch(PointerLeave {}, {});
    EXPECT_EQ(static_cast<vexa::VexaApp&>(other.root()).model().playback_position, 0);
}

// A worker whose backends cannot be made and whose services have no address: it answers with
// its offline notes and reaches nothing.
vexa::FetchWorkerEnvironment unreachable_environment()
{
    vexa::FetchWorkerEnvironment environment;
    environment.make_ytdlp = [](vexa::ServiceSettings const&) -> vexa::BackendResult<std::unique_ptr<vexa::ContentBackend>> {
        return std::unexpected(vexa::BackendError { "not in this test" });
    };
    environment.make_innertube = [](vexa::ServiceSettings const&) -> vexa::BackendResult<std::unique_ptr<vexa::InnertubeRole>> {
        return std::unexpected(vexa::BackendError { "not in this test" });
    };
    return environment;
}

TEST(FetchClient, ANonLiveApplicationOnlySendsEnrichmentAndSearches)
{
    auto app = vexa::VexaApp::create_for_owner("user:test");
    FrameDriver driver(std::move(app), Theme::dark());
    auto& root = static_cast<vexa::VexaApp&>(driver.root());
    for (int i = 0; i < 3; ++i)
        driver.frame(uint64_t(i) * 16);
    EXPECT_FALSE(root.has_fetch_worker()); // no Trending, no stream request
    root.operations()->push(vexa::UiAction::open_channel("c"));
    driver.dispatch(PointerLeave {}, {});
    EXPECT_FALSE(root.has_fetch_worker()); // the channel request is dropped
    EXPECT_FALSE(root.stream_requested_for());
}

TEST(FetchClient, ANonLiveApplicationSendsEnrichment)
{
    auto app = vexa::VexaApp::create_for_owner("user:test");
    app->with_fetch_worker(vexa::FetchWorker::start(unreachable_environment()));
    FrameDriver driver(std::move(app), Theme::dark());
    auto& root = static_cast<vexa::VexaApp&>(driver.root());
    auto label = root.model().status_label;
    root.operations()->push(vexa::UiAction::open_video("vid"));
    driver.dispatch(PointerLeave {}, {});
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (root.model().status_label == label && std::chrono::steady_clock::now() < deadline) {
        driver.frame(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NE(root.model().status_label, label); // the worker answered
    EXPECT_FALSE(root.stream_requested_for());
}

TEST(FetchClient, TheLiveApplicationLoadsItsFeedFromTheWorker)
{
    vexa::FetchWorkerEnvironment environment;
    environment.make_ytdlp = [](vexa::ServiceSettings const&) -> vexa::BackendResult<std::unique_ptr<vexa::ContentBackend>> {
        return vexa::sample_backend();
    };
    environment.make_innertube = [](vexa::ServiceSettings const&) -> vexa::BackendResult<std::unique_ptr<vexa::InnertubeRole>> {
        return std::unexpected(vexa::BackendError { "not in this test" });
    };
    auto app = vexa::VexaApp::create_for_owner("user:test");
    app->with_fetch_worker(vexa::FetchWorker::start(environment));
    app->finish_default();
    ASSERT_TRUE(app->model().feed_loading);
    FrameDriver driver(std::move(app), Theme::dark());
    auto& root = static_cast<vexa::VexaApp&>(driver.root());
    EXPECT_TRUE(root.needs_idle_sync());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (root.model().videos.empty() && std::chrono::steady_clock::now() < deadline) {
        driver.frame(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(root.model().videos.empty());
    EXPECT_FALSE(root.model().feed_loading);

    // Entering Watch asks for the stream once.
    root.operations()->push(vexa::UiAction::open_video(root.model().videos.front().id));
    driver.dispatch(PointerLeave {}, {});
    EXPECT_EQ(root.stream_requested_for(), root.model().videos.front().id);
    root.operations()->push(vexa::UiAction::go_back());
    driver.dispatch(PointerLeave {}, {});
    EXPECT_FALSE(root.stream_requested_for());
}
