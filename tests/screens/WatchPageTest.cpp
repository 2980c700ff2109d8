// The Watch page built from the model: its elements and texts in each state, what activating
// them asks of the application, what it hands the shared player, and where the "Up next" list
// goes at each content width.

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "kaso/media/MediaEngine.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/IconWidget.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/Pages.h"
#include "src/screens/WatchInfo.h"
#include "src/widgets/PlayerHost.h"
#include "src/widgets/Switch.h"
#include "tests/screens/TreeSearch.h"

namespace vexa {
namespace {

using namespace kaso::ui;
using test::activate;
using test::find_by_id;
using test::has_text;

constexpr char const* moon = "vid_moon_base";
constexpr double wide = 1194; // a 1280 window beside the rail

SharedVideoPlayer quiet_player() { return VideoPlayer::with_engine(kaso::media::MediaEngine::create_null("no engine in this test")); }

VexaModel sample_with(std::function<void(VexaModel&)> change)
{
    auto model = sample_catalogue();
    change(model);
    return model;
}

Scrollable watch_page(VexaModel const& model, std::string id, OperationQueueHandle const& queue, SharedVideoPlayer const& player,
    double content_width = wide, float scale = 1.0f)
{
    return route_screen(model, Theme::dark(), scale, queue, nullptr, Route::watch(std::move(id)), WatchSurface { player, content_width, 800 });
}

Widget* find_by_name(Widget& root, std::string_view name)
{
    for (auto* widget : test::all_widgets(root))
        if (auto node = widget->accessibility(); node && node->name == name)
            return widget;
    return nullptr;
}

struct WatchCase {
    char const* title { "" };
    std::function<VexaModel()> make_model;
    std::string video { moon };
    std::vector<std::string> present_ids;
    std::vector<std::string> missing_ids;
    std::vector<std::string> present_texts;
    std::vector<std::string> missing_texts;
    std::vector<std::pair<std::string, UiAction>> actions;

    WatchCase&& title_(char const* value) && { title = value; return std::move(*this); }
    WatchCase&& make_model_(std::function<VexaModel()> value) && { make_model = std::move(value); return std::move(*this); }
    WatchCase&& video_(std::string value) && { video = std::move(value); return std::move(*this); }
    WatchCase&& present_ids_(std::vector<std::string> value) && { present_ids = std::move(value); return std::move(*this); }
    WatchCase&& missing_ids_(std::vector<std::string> value) && { missing_ids = std::move(value); return std::move(*this); }
    WatchCase&& present_texts_(std::vector<std::string> value) && { present_texts = std::move(value); return std::move(*this); }
    WatchCase&& missing_texts_(std::vector<std::string> value) && { missing_texts = std::move(value); return std::move(*this); }
    WatchCase&& actions_(std::vector<std::pair<std::string, UiAction>> value) && { actions = std::move(value); return std::move(*this); }
};

TEST(WatchPage, EveryState)
{
    auto const all_ids = std::vector<std::string> { "watch_video_surface", "sb_timeline", "watch_settings", "like_btn", "dislike_pill",
        "queue_btn_vid_moon_base", "share_btn", "subscribe_btn" };
    WatchCase const rows[] = {
        WatchCase()
            .title_("sample video")
            .make_model_([] { return sample_catalogue(); })
            .present_ids_(all_ids)
            .missing_ids_({ "sb_skip_btn", "notices" })
            .present_texts_({ "Building a scale model of a lunar habitat", "4.8M views • 3 days ago", "212K", "1.2K", "Share", "Subscribed",
                "Orbit Lab", "23M subscribers", "4 Comments", "The airlock hinge is genius.", "@stargazer42", "1.8K", "Up next", "Autoplay" })
            .missing_texts_({ "Comments hidden (enable in settings).", "Subscribe", "Pinned" })
            .actions_({ { "like_btn", UiAction::toggle_like(moon) }, { "share_btn", UiAction::share(moon) },
                { "subscribe_btn", UiAction::toggle_subscription("ch_orbit") }, { "watch_settings", UiAction::navigate(Route::settings()) } }),
        WatchCase()
            .title_("liked, not subscribed, DeArrow off")
            .make_model_([] {
                    return sample_with([](VexaModel& m) {
                        m.liked_videos = { moon };
                        m.subscriptions.clear();
                        m.settings.dearrow = false;
                    });
                })
            .present_texts_({ "212K", "Subscribe", "I Built a MOON BASE in My Garage!!! (NASA Won't Believe This)" })
            .missing_texts_({ "Subscribed", "Building a scale model of a lunar habitat" })
            .actions_({ { "subscribe_btn", UiAction::toggle_subscription("ch_orbit") } }),
        WatchCase()
            .title_("a shown segment under the playhead")
            .make_model_([] {
                    return sample_with([](VexaModel& m) {
                        m.settings.sponsor_categories["sponsor"] = SegmentMode::Show;
                        m.playback_position = 1500;
                    });
                })
            .present_ids_({ "sb_skip_btn", "sb_timeline" })
            .present_texts_({ "Skip Sponsor" })
            .actions_({ { "sb_skip_btn", UiAction::skip_segment(1570) } }),
        WatchCase()
            .title_("a skipped segment under the playhead gives no button")
            .make_model_([] { return sample_with([](VexaModel& m) { m.playback_position = 1500; }); })
            .present_ids_({ "sb_timeline" })
            .missing_ids_({ "sb_skip_btn" }),
        WatchCase()
            .title_("the playhead at a shown segment's end is past it")
            .make_model_([] {
                    return sample_with([](VexaModel& m) {
                        m.settings.sponsor_categories["sponsor"] = SegmentMode::Show;
                        m.playback_position = 1570;
                    });
                })
            .missing_ids_({ "sb_skip_btn" }),
        WatchCase()
            .title_("a shown segment without a finite end gives no button")
            .make_model_([] {
                return sample_with([](VexaModel& m) {
                    m.settings.sponsor_categories["sponsor"] = SegmentMode::Show;
                    m.video(moon)->sponsor[1].end = std::numeric_limits<double>::infinity();
                    m.playback_position = 1500;
                });
            })
            .present_ids_({ "sb_timeline" })
            .missing_ids_({ "sb_skip_btn" }),
        WatchCase()
            .title_("SponsorBlock off")
            .make_model_([] {
                    return sample_with([](VexaModel& m) {
                        m.settings.sponsorblock = false;
                        m.settings.sponsor_categories["sponsor"] = SegmentMode::Show;
                        m.playback_position = 1500;
                    });
                })
            .missing_ids_({ "sb_timeline", "sb_skip_btn" }),
        WatchCase()
            .title_("a video without segments")
            .make_model_([] { return sample_catalogue(); })
            .video_("vid_bass_line")
            .present_ids_({ "watch_video_surface", "like_btn" })
            .missing_ids_({ "sb_timeline" }),
        WatchCase()
            .title_("comments hidden")
            .make_model_([] { return sample_with([](VexaModel& m) { m.settings.show_comments = false; }); })
            .present_texts_({ "4 Comments", "Comments hidden (enable in settings)." })
            .missing_texts_({ "The airlock hinge is genius." }),
        WatchCase()
            .title_("dislikes off")
            .make_model_([] { return sample_with([](VexaModel& m) { m.settings.return_dislike = false; }); })
            .present_ids_({ "like_btn", "share_btn" })
            .missing_ids_({ "dislike_pill" })
            .missing_texts_({ "1.2K" }),
        WatchCase()
            .title_("no known dislike count")
            .make_model_([] { return sample_with([](VexaModel& m) { m.dislikes.clear(); }); })
            .present_ids_({ "dislike_pill" })
            .present_texts_({ "—" }),
        WatchCase()
            .title_("notices: the four newest")
            .make_model_([] { return sample_with([](VexaModel& m) { m.notices = { "n5", "n4", "n3", "n2", "n1" }; }); })
            .present_ids_({ "notices" })
            .present_texts_({ "n5", "n4", "n3", "n2" })
            .missing_texts_({ "n1" }),
        WatchCase()
            .title_("unknown video")
            .make_model_([] { return sample_catalogue(); })
            .video_("vid_nowhere")
            .missing_ids_(all_ids)
            .present_texts_({ "Video unavailable" })
            .missing_texts_({ "Up next" }),
    };
    for (float scale : { 1.0f, 2.0f }) {
        for (double width : { 899.0, 900.0, 939.0, 940.0, wide }) {
            for (auto const& row : rows) {
                SCOPED_TRACE(testing::Message() << row.title << " at " << width << " scale " << scale);
                auto model = row.make_model();
                auto queue = OperationQueue::create();
                auto page = watch_page(model, row.video, queue, quiet_player(), width, scale);
                test::expect_tree(page, row, queue);
            }
        }
    }
}

TEST(WatchPage, CreatorAutoplayAndUpNext)
{
    for (bool autoplay : { true, false }) {
        auto model = sample_with([&](VexaModel& m) { m.settings.autoplay = autoplay; });
        auto queue = OperationQueue::create();
        auto page = watch_page(model, moon, queue, quiet_player());
        auto* creator = find_by_name(page, "Open creator: Orbit Lab");
        ASSERT_NE(creator, nullptr);
        EXPECT_EQ(activate(*creator, queue), UiAction::open_channel("ch_orbit"));

        auto switches = test::widgets_of_type<Switch>(page);
        ASSERT_EQ(switches.size(), 1u);
        EXPECT_EQ(switches[0]->is_on(), autoplay);
        EXPECT_EQ(switches[0]->accessibility()->name, "Autoplay");
        EXPECT_EQ(activate(*switches[0], queue), UiAction::toggle_setting(5));

        // Only the first six related videos are listed, in the model's order.
        auto related = model.related_videos(moon);
        ASSERT_GT(related.size(), 6u);
        std::vector<std::string> listed;
        for (auto* widget : test::all_widgets(page))
            if (auto node = widget->accessibility(); node && node->name.starts_with("Open video: "))
                listed.push_back(node->name);
        ASSERT_EQ(listed.size(), 6u);
        auto* first_row = find_by_name(page, listed.front());
        ASSERT_NE(first_row, nullptr);
        EXPECT_EQ(activate(*first_row, queue), UiAction::open_video(related[0]->id));
        EXPECT_EQ(listed.front(), "Open video: " + display_title(model, *related[0]));
        EXPECT_EQ(listed.back(), "Open video: " + display_title(model, *related[5]));
    }
}

TEST(WatchPage, CommentRows)
{
    Comment comment;
    comment.author = "@pinner";
    comment.text = "First!";
    comment.likes = 12'500;
    comment.time_ago = "1 hour ago";
    comment.pinned = true;
    comment.hearted = true;
    comment.replies = 3;
    auto row = comment_row(Theme::dark(), comment);
    for (auto text : { "Pinned", "@pinner", "1 hour ago", "First!", "12K", "3 replies" })
        EXPECT_TRUE(has_text(row, text)) << text;
    EXPECT_EQ(test::widgets_of_type<IconWidget>(row).size(), 2u); // the heart and the likes icon

    comment.pinned = false;
    comment.hearted = false;
    comment.replies = 0;
    auto plain = comment_row(Theme::dark(), comment);
    EXPECT_FALSE(has_text(plain, "Pinned"));
    EXPECT_EQ(test::widgets_of_type<IconWidget>(plain).size(), 1u);
    for (auto const* label : test::widgets_of_type<Text>(plain))
        EXPECT_EQ(label->text().find("replies"), std::string::npos);
}

TEST(WatchPage, HandsThePlayerItsMarksAndLeavesItAloneForAnUnknownVideo)
{
    auto player = quiet_player();
    auto queue = OperationQueue::create();
    auto model = sample_catalogue();
    auto page = watch_page(model, moon, queue, player);
    auto const& video = *model.video(moon);
    // Intro, Sponsor, Interaction and Outro all default to Skip: each is marked, in order.
    ASSERT_EQ(player->marks().size(), video.sponsor.size());
    EXPECT_DOUBLE_EQ(player->marks()[1].start, 1440.0 / 1725);
    EXPECT_DOUBLE_EQ(player->marks()[1].end, 1570.0 / 1725);
    auto sponsor = segment_category_color(SegmentCategory::Sponsor);
    EXPECT_EQ(player->marks()[1].color, Color::rgb(sponsor.red, sponsor.green, sponsor.blue));
    auto hosts = test::widgets_of_type<PlayerHost>(page);
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_EQ(&hosts[0]->player(), player.get());

    auto before = player->marks().size();
    watch_page(model, "vid_nowhere", queue, player);
    EXPECT_EQ(player->marks().size(), before);

    model.settings.sponsorblock = false;
    watch_page(model, moon, queue, player);
    EXPECT_TRUE(player->marks().empty());
}

TEST(WatchPage, HandsThePlayerTheResolutionSetting)
{
    auto player = quiet_player();
    auto queue = OperationQueue::create();
    auto model = sample_catalogue();
    for (auto [preferred, selected] : { std::pair { "1080p", 0u }, { "480p", 2u }, { "auto", 3u }, { "360p", 0u } }) {
        model.settings.preferred_quality = preferred;
        watch_page(model, moon, queue, player);
        auto const& setting = player->setting();
        EXPECT_EQ(setting.id, "resolution");
        EXPECT_EQ(setting.label, "Resolution");
        EXPECT_EQ(setting.options, (std::vector<std::string> { "1080p", "720p", "480p", "auto" }));
        EXPECT_EQ(setting.selected, selected) << preferred;
        EXPECT_EQ(setting.fixed_values[0], 9u);
        EXPECT_EQ(setting.fixed_values[1], 1u);
    }
}

TEST(WatchPage, MarksOfDisabledCategoriesAndZeroDurations)
{
    auto model = sample_catalogue();
    Video video;
    video.duration = 0; // counted as one second
    Segment segment;
    segment.category = SegmentCategory::Filler; // Disabled by default
    segment.start = 0.25;
    segment.end = 0.5;
    video.sponsor = { segment };
    segment.category = SegmentCategory::Preview;
    video.sponsor.push_back(segment);
    auto marks = sponsor_marks(model, video);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_DOUBLE_EQ(marks[0].start, 0.25);
    EXPECT_DOUBLE_EQ(marks[0].end, 0.5);
}

TEST(WatchPage, QualityIndexAndPlayerSize)
{
    EXPECT_EQ(quality_index("1080p"), 0u);
    EXPECT_EQ(quality_index("480p"), 2u);
    EXPECT_EQ(quality_index("auto"), 3u);
    EXPECT_EQ(quality_index("360p"), 0u);
    EXPECT_EQ(quality_index(""), 0u);

    auto [width, height] = player_size(wide, 800);
    EXPECT_NEAR(width, 800 * 0.65 * 16 / 9, 1e-9);
    EXPECT_NEAR(height, 520, 1e-9);
    EXPECT_EQ(player_size(500, 800), std::pair(500.0, 281.25));
    EXPECT_EQ(player_size(0, 800), std::pair(1.0, 1.0));
    EXPECT_EQ(player_size(1000, 0), std::pair(1.0, 1.0));
}

// Below a body of 900 (content 940) the up-next list sits under the info column; from 900 it
// sits beside it, 360 wide.
TEST(WatchPage, UpNextBesideTheInfoFromABodyOf900)
{
    for (double width : { 899.0, 939.0, 940.0, 1194.0 }) {
        SCOPED_TRACE(width);
        auto model = sample_catalogue();
        auto page = watch_page(model, moon, OperationQueue::create(), quiet_player(), width);
        FrameDriver driver(std::make_unique<Scrollable>(std::move(page)), Theme::dark());
        driver.set_viewport(width, 800, 1.0f);
        driver.frame(0);
        auto* title = test::find_text(driver.root(), "Building a scale model of a lunar habitat");
        auto* up_next = test::find_text(driver.root(), "Up next");
        ASSERT_TRUE(title && up_next);
        auto* column = test::widgets_of_type<Switch>(driver.root()).front();
        if (width - 40 >= 900) {
            EXPECT_GT(up_next->layout_rect().x0, title->layout_rect().x1);
            EXPECT_LT(up_next->layout_rect().y0, title->layout_rect().y1);
            EXPECT_NEAR(column->layout_rect().x1, width - 20, 1.0); // the switch ends the 360-wide column
        } else {
            EXPECT_NEAR(up_next->layout_rect().x0, title->layout_rect().x0, 0.5);
            EXPECT_GT(up_next->layout_rect().y0, title->layout_rect().y1);
        }
    }
}

}
}
