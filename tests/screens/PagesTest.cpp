// The four pages built from the model in each of their states: which elements and texts they
// hold, and what activating them asks of the application. One table per page.

#include <gtest/gtest.h>

#include <functional>

#include "src/backend/SampleCatalogue.h"
#include "src/screens/Pages.h"
#include "src/widgets/LargeVideoMeta.h"
#include "tests/screens/ScreenFixtures.h"
#include "tests/screens/PageCase.h"
#include "tests/screens/TreeSearch.h"

namespace vexa {
namespace {

using test::activate;
using test::check_page;
using test::empty_with;
using test::find_by_id;
using test::has_text;
using test::ids_with_prefix;
using test::PageCase;
using test::sample_with;

std::vector<std::string> sample_card_ids()
{
    std::vector<std::string> ids;
    for (auto const& video : sample_catalogue().videos)
        ids.push_back("video_card_" + video.id);
    return ids;
}

TEST(HomePage, EveryState)
{
    std::string const offline_message
        = "Reconnect, then search or return Home to load videos. Your subscriptions and watch history remain available.";
    PageCase rows[] = {
        PageCase().name("sample catalogue")
            .model([] { return sample_catalogue(); })
            .route(Route::home())
            .ids({ "video_grid", "video_card_vid_moon_base", "video_card_vid_night_train" })
            .texts({ "Home", "Recent and popular", "Midnight Kitchen", "4.8M views • 3 days ago" })
            .activations({ { "video_card_vid_donut", UiAction::open_video("vid_donut") } })
            .card_order(sample_card_ids() ),
        PageCase().name("videos win over loading and an error")
            .model([] { return sample_with([](VexaModel& m) { m.feed_loading = true; m.feed_error = "timed out"; }); })
            .route(Route::home())
            .ids({ "video_card_vid_solder" })
            .absent_texts({ "Home refresh delayed" }),
        PageCase().name("loading")
            .model([] { return empty_with([](VexaModel& m) { m.feed_loading = true; m.feed_error = "ignored"; }); })
            .route(Route::home())
            .ids({ "video_grid" })
            .absent_texts({ "Home refresh delayed" })
            .card_order(std::vector<std::string> {}),
        PageCase().name("error")
            .model([] { return empty_with([](VexaModel& m) { m.feed_error = "The feed timed out."; }); })
            .route(Route::home())
            .absent_ids({ "video_grid" })
            .texts({ "Home refresh delayed", "The feed timed out." }),
        PageCase().name("offline")
            .model([] { return empty_with([](VexaModel& m) { m.status_label = "Offline — sample data"; }); })
            .route(Route::home())
            .texts({ "You're offline", offline_message }),
        PageCase().name("live and empty")
            .model([] { return empty_with([](VexaModel& m) { m.status_label = "live (rustypipe)"; }); })
            .route(Route::home())
            .texts({ "Nothing to show yet", "Search for something, or check back when the trending feed loads." }),
        PageCase().name("large form")
            .model([] { return sample_catalogue(); })
            .route(Route::home())
            .scale(1.5f)
            .ids({ "video_grid", "video_card_vid_moon_base" })
            .absent_texts({ "Recent and popular", "Midnight Kitchen" })
            .activations({ { "video_card_vid_comet", UiAction::open_video("vid_comet") } }),
    };
    for (auto const& row : rows)
        check_page(row);
}

TEST(HomePage, LoadingShowsTwelvePlaceholderCards)
{
    auto model = empty_with([](VexaModel& m) { m.feed_loading = true; });
    auto page = route_screen(model, kaso::ui::Theme::dark(), 1.0f, OperationQueue::create(), nullptr, Route::home());
    auto* grid = dynamic_cast<Flex*>(find_by_id(page, "video_grid"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->child_count(), 12u);
}

TEST(HomePage, LargeFormHasOneMetaBlockPerCardAndNoAvatars)
{
    auto model = sample_catalogue();
    auto page = route_screen(model, kaso::ui::Theme::dark(), 2.0f, OperationQueue::create(), nullptr, Route::home());
    EXPECT_EQ(test::widgets_of_type<LargeVideoMeta>(page).size(), model.videos.size());
    EXPECT_TRUE(test::widgets_of_type<ChannelAvatar>(page).empty());
}

TEST(TrendingPage, EveryState)
{
    PageCase rows[] = {
        PageCase().name("sample catalogue, most viewed first")
            .model([] { return sample_catalogue(); })
            .route(Route::trending())
            .texts({ "Trending", "Most-watched right now" })
            .activations({ { "video_card_vid_black_hole", UiAction::open_video("vid_black_hole") } }),
        PageCase().name("equal views keep model order")
            .model([] {
                return sample_with([](VexaModel& m) {
                    m.videos.resize(3);
                    m.videos[0].views = 10;
                    m.videos[1].views = 20;
                    m.videos[2].views = 20;
                });
            })
            .route(Route::trending())
            .card_order(std::vector<std::string> { "video_card_vid_solder", "video_card_vid_donut", "video_card_vid_moon_base" }),
        PageCase().name("no videos: an empty grid")
            .model([] { return VexaModel::empty(); })
            .route(Route::trending())
            .ids({ "video_grid" })
            .absent_texts({ "Nothing to show yet" })
            .card_order(std::vector<std::string> {}),
    };
    for (auto const& row : rows)
        check_page(row);

    auto model = sample_catalogue();
    auto page = route_screen(model, kaso::ui::Theme::dark(), 1.0f, OperationQueue::create(), nullptr, Route::trending());
    auto order = ids_with_prefix(page, "video_card_");
    ASSERT_EQ(order.size(), model.videos.size());
    EXPECT_EQ(order.front(), "video_card_vid_black_hole"); // 6.2M views, the most
}

TEST(SubscriptionsPage, EveryState)
{
    PageCase rows[] = {
        PageCase().name("sample catalogue")
            .model([] { return sample_catalogue(); })
            .route(Route::subscriptions())
            .ids({ "video_grid" })
            .texts({ "Subscriptions", "3 channels", "Latest from your subscriptions", "Orbit Lab", "Circuit Garage" })
            .absent_texts({ "No subscriptions yet" }),
        PageCase().name("unknown creators: empty strip, every id counted")
            .model([] { return sample_with([](VexaModel& m) { m.subscriptions = { "ch_x", "ch_y", "ch_z" }; }); })
            .route(Route::subscriptions())
            .absent_ids({ "video_grid" })
            .texts({ "3 channels", "No subscriptions yet", "Subscribe to channels and their latest uploads land here." })
            .card_order(std::vector<std::string> {}),
        PageCase().name("empty model")
            .model([] { return VexaModel::empty(); })
            .route(Route::subscriptions())
            .texts({ "0 channels", "No subscriptions yet" }),
    };
    for (auto const& row : rows)
        check_page(row);

    // Each creator tile opens its creator, in subscription order.
    auto model = sample_catalogue();
    auto queue = OperationQueue::create();
    auto page = route_screen(model, kaso::ui::Theme::dark(), 1.0f, queue, nullptr, Route::subscriptions());
    std::vector<UiAction> opened;
    for (auto* flex : test::widgets_of_type<Flex>(page))
        if (flex->action() && flex->action()->kind == UiActionKind::OpenChannel)
            opened.push_back(*flex->action());
    std::vector<UiAction> expected;
    for (auto const& id : model.subscriptions)
        expected.push_back(UiAction::open_channel(id));
    EXPECT_EQ(opened, expected);
    // Every card belongs to a subscribed creator.
    for (auto const& id : ids_with_prefix(page, "video_card_")) {
        auto const* video = model.video(std::string_view(id).substr(11));
        ASSERT_NE(video, nullptr);
        EXPECT_TRUE(model.is_subscribed(video->channel_id)) << id;
    }
}

TEST(SearchPage, EveryStateAndFilter)
{
    auto const query = std::string(test::shot_query);
    auto search = [query](std::function<void(VexaModel&)> change) {
        return [query, change] {
            auto model = test::search_catalogue();
            change(model);
            return model;
        };
    };
    auto chips = std::vector<std::string> { "search_type_chips", "type_chip_video", "type_chip_playlist", "type_chip_creator" };
    PageCase rows[] = {
        PageCase().name("all kinds")
            .model(search([](VexaModel&) { }))
            .route(Route::search(query))
            .ids({ "search_type_chips", "search_results_summary", "creator_results", "creator_card_ch_orbit", "playlist_grid",
                "playlist_card_pl_orbit_basics", "video_grid" })
            .absent_ids({ "sparse_video_result" })
            .texts({ "Search results", "6 results shown", "@orbitlab • 23M subscribers", "1.2K videos", "Orbit Lab • Playlist", "View" })
            .activations({ { "type_chip_video", UiAction::toggle_result_type(0) }, { "type_chip_playlist", UiAction::toggle_result_type(1) },
                { "type_chip_creator", UiAction::toggle_result_type(2) }, { "creator_card_ch_orbit", UiAction::open_channel("ch_orbit") },
                { "playlist_card_pl_orbit_basics", UiAction::open_playlist("pl_orbit_basics") },
                { "video_card_vid_comet", UiAction::open_video("vid_comet") } })
            .card_order(std::vector<std::string> { "video_card_vid_black_hole", "video_card_vid_comet", "video_card_vid_moon_base" }),
        PageCase().name("videos off")
            .model(search([](VexaModel& m) { m.result_types.videos = false; }))
            .route(Route::search(query))
            .ids({ "creator_results", "playlist_grid" })
            .absent_ids({ "video_grid" })
            .texts({ "3 results shown" }),
        PageCase().name("playlists off")
            .model(search([](VexaModel& m) { m.result_types.playlists = false; }))
            .route(Route::search(query))
            .ids({ "creator_results", "video_grid" })
            .absent_ids({ "playlist_grid" })
            .texts({ "5 results shown" }),
        PageCase().name("creators off")
            .model(search([](VexaModel& m) { m.result_types.creators = false; }))
            .route(Route::search(query))
            .ids({ "playlist_grid", "video_grid" })
            .absent_ids({ "creator_results" })
            .texts({ "4 results shown" }),
        PageCase().name("all off")
            .model(search([](VexaModel& m) { m.result_types = ResultTypes { false, false, false, false }; }))
            .route(Route::search(query))
            .ids(chips)
            .absent_ids({ "search_results_summary" })
            .texts({ "No results", "Nothing matched that search — try different words or filters." }),
        PageCase().name("one video: centred and sparse")
            .model(search([](VexaModel& m) {
                m.search_channel_ids.clear();
                m.search_playlist_ids.clear();
                m.search_video_ids = { "vid_comet" };
            }))
            .route(Route::search(query))
            .ids({ "sparse_video_result", "video_card_vid_comet" })
            .absent_ids({ "video_grid", "creator_results" })
            .texts({ "1 result shown" }),
        PageCase().name("one creator")
            .model(search([](VexaModel& m) {
                m.search_channel_ids = { "ch_orbit" };
                m.search_playlist_ids.clear();
                m.result_types.videos = false;
            }))
            .route(Route::search(query))
            .ids({ "creator_results" })
            .absent_ids({ "video_grid", "sparse_video_result" })
            .texts({ "1 result shown" }),
        PageCase().name("searching wins over an error and results")
            .model(search([](VexaModel& m) { m.searching = true; m.search_error = "slow"; }))
            .route(Route::search(query))
            .ids(chips)
            .absent_ids({ "search_results_summary", "creator_results" })
            .absent_texts({ "Search delayed" })
            .card_order(std::vector<std::string> {}),
        PageCase().name("error")
            .model(search([](VexaModel& m) { m.search_error = "The search service is slow."; }))
            .route(Route::search(query))
            .ids(chips)
            .texts({ "Search delayed", "The search service is slow." }),
        PageCase().name("blank query")
            .model([] { return sample_catalogue(); })
            .route(Route::search("   "))
            .ids(chips)
            .absent_ids({ "search_results_summary", "video_grid" })
            .texts({ "Search Vexa", "Type a query above to find videos, playlists and creators." }),
        PageCase().name("inactive chips")
            .model(search([](VexaModel& m) { m.result_types.creators = false; }))
            .route(Route::search(query))
            .activations({ { "type_chip_creator", UiAction::toggle_result_type(2) } }),
    };
    for (auto const& row : rows)
        check_page(row);
}

TEST(SearchPage, SingleVideoColumnIs440Wide)
{
    auto model = test::search_catalogue();
    model.search_channel_ids.clear();
    model.search_playlist_ids.clear();
    model.search_video_ids = { "vid_comet" };
    auto page = route_screen(model, kaso::ui::Theme::dark(), 1.0f, OperationQueue::create(), nullptr, Route::search(std::string(test::shot_query)));
    auto* sparse = find_by_id(page, "sparse_video_result");
    ASSERT_NE(sparse, nullptr);
    auto children = sparse->children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0]->layout_style().size.width, kaso::layout::Dimension::px(440));
}

}
}
