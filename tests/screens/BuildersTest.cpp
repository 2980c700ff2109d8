// The card and section builders: the texts they compute, the variants they choose, the actions
// they carry.

#include <gtest/gtest.h>

#include "kaso/ui/FrameDriver.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/Builders.h"
#include "src/screens/Buttons.h"
#include "src/screens/Cards.h"
#include "src/screens/FeedPages.h"
#include "src/screens/Grids.h"
#include "src/widgets/Thumbnail.h"
#include "tests/screens/ScreenFixtures.h"
#include "tests/screens/TreeSearch.h"

namespace vexa {
namespace {

using namespace kaso::ui;
using test::has_text;
using test::widgets_of_type;

Theme const theme = Theme::dark();

TEST(MetaTexts, JoinMetaAndSubscribers)
{
    struct Case {
        uint64_t views;
        char const* published;
        char const* joined;
    };
    Case const cases[] = {
        { 1'500, "3 days ago", "1.5K views • 3 days ago" },
        { 0, "3 days ago", "3 days ago" },
        { 12'000, "  ", "12K views" },
        { 0, "", "" },
        { 999, " 1 hour ago\n", "999 views • 1 hour ago" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(join_meta(c.views, c.published), c.joined) << c.views << " " << c.published;

    EXPECT_EQ(subscriber_count_text(nullptr), std::nullopt);
    Channel channel;
    EXPECT_EQ(subscriber_count_text(&channel), std::nullopt);
    channel.subscribers = 1'200'000;
    EXPECT_EQ(subscriber_count_text(&channel), "1.2M subscribers");
}

TEST(CreatorCard, SubtitleFromHandleAndSubscribers)
{
    struct Case {
        char const* handle;
        uint64_t subscribers;
        std::optional<std::string> subtitle;
    };
    Case const cases[] = {
        { "@orbit", 23'000'000, "@orbit • 23M subscribers" },
        { "@orbit", 0, "@orbit" },
        { "ch_x", 5'000, "5K subscribers" }, // a handle equal to the id is not shown
        { "", 0, std::nullopt },
    };
    auto model = VexaModel::empty();
    auto queue = OperationQueue::create();
    for (auto const& c : cases) {
        Channel creator;
        creator.id = "ch_x";
        creator.name = "Creator X";
        creator.handle = c.handle;
        creator.subscribers = c.subscribers;
        auto card = creator_card(model, theme, queue, nullptr, creator);
        auto texts = test::label_texts(card);
        // Name, the subtitle when there is one, and the "View" button.
        std::vector<std::string> expected { "Creator X" };
        if (c.subtitle)
            expected.push_back(*c.subtitle);
        expected.push_back("View");
        EXPECT_EQ(texts, expected) << c.handle;
        EXPECT_EQ(card.widget_id(), "creator_card_ch_x");
        EXPECT_EQ(test::activate(card, queue), UiAction::open_channel("ch_x"));
    }
}

TEST(VideoCard, WatchedBarOnlyOnTheNewestHistoryEntry)
{
    auto model = sample_catalogue();
    ASSERT_EQ(model.history.front(), "vid_solder");
    auto queue = OperationQueue::create();
    for (auto const& video : model.videos) {
        auto card = video_card(model, theme, 1.0f, queue, nullptr, video);
        auto thumbnails = widgets_of_type<Thumbnail>(card);
        ASSERT_EQ(thumbnails.size(), 1u);
        auto expected = video.id == "vid_solder" ? std::optional<float>(0.35f) : std::nullopt;
        EXPECT_EQ(thumbnails[0]->progress(), expected) << video.id;
        auto row = compact_video_row(model, theme, queue, nullptr, video);
        EXPECT_EQ(widgets_of_type<Thumbnail>(row)[0]->progress(), std::nullopt);
        EXPECT_EQ(widgets_of_type<Thumbnail>(row)[0]->height(), 90);
    }
}

TEST(VideoCard, TextsLabelAndVerifiedMark)
{
    auto model = sample_catalogue();
    auto queue = OperationQueue::create();
    auto video = *model.video("vid_moon_base");
    model.settings.dearrow = false;
    auto plain = video_card(model, theme, 1.0f, queue, nullptr, video);
    EXPECT_TRUE(has_text(plain, video.title));
    EXPECT_EQ(plain.action_label(), "Open video");
    EXPECT_TRUE(plain.accessibility());
    EXPECT_EQ(plain.accessibility()->name, "Open video: " + video.title);

    model.settings.dearrow = true;
    auto replaced = video_card(model, theme, 1.0f, queue, nullptr, video);
    EXPECT_TRUE(has_text(replaced, *video.dearrow_title));
    EXPECT_EQ(replaced.accessibility()->name, "Open video: " + *video.dearrow_title);

    // Zero views and no published text: the card still has its meta line, the row has none.
    video.views = 0;
    video.published = "";
    auto card = video_card(model, theme, 1.0f, queue, nullptr, video);
    EXPECT_TRUE(has_text(card, "0 views • "));
    auto row = compact_video_row(model, theme, queue, nullptr, video);
    EXPECT_EQ(test::label_texts(row).size(), 2u);

    // The verified mark follows the known channel.
    auto count_icons = [](Widget& root) { return widgets_of_type<IconWidget>(root).size(); };
    auto* channel = model.channel(video.channel_id);
    ASSERT_NE(channel, nullptr);
    channel->verified = true;
    auto verified = video_card(model, theme, 1.0f, queue, nullptr, video);
    channel->verified = false;
    auto unverified = video_card(model, theme, 1.0f, queue, nullptr, video);
    EXPECT_EQ(count_icons(verified), count_icons(unverified) + 1);
}

TEST(Avatars, FromTheKnownChannelOrInitials)
{
    auto model = sample_catalogue();
    auto store = std::make_shared<image_store::ImageStore>(test::fake_fetch());
    model.channel("ch_orbit")->avatar_url = "test://avatar/orbit";
    EXPECT_EQ(channel_avatar_for(store, model, "ch_orbit", "Orbit Lab", 36).url(), "test://avatar/orbit");
    EXPECT_EQ(channel_avatar_for(store, model, "ch_unknown", "Someone Else", 36).url(), "");
    EXPECT_EQ(channel_avatar_for(store, model, "ch_unknown", "Someone Else", 36).initials(), "SE");
    auto you = initials_avatar("You");
    EXPECT_EQ(you.initials(), "Y");
    EXPECT_FALSE(you.has_store());
    EXPECT_EQ(you.size(), 36);
}

TEST(Buttons, VariantsAndActions)
{
    auto queue = OperationQueue::create();
    auto with_icon = action_button(theme, queue, "Subscribe", Icon::Person, UiAction::toggle_subscription("ch"), ButtonKind::Primary);
    auto without = action_button(theme, queue, "View", Icon::None, UiAction::open_channel("ch"), ButtonKind::Secondary);
    EXPECT_EQ(widgets_of_type<IconWidget>(with_icon).size(), 1u);
    EXPECT_TRUE(widgets_of_type<IconWidget>(without).empty());
    EXPECT_EQ(test::activate(without, queue), UiAction::open_channel("ch"));
    EXPECT_EQ(without.accessibility()->name, "View");
    // The primary label is in the contrast colour of the highlight.
    EXPECT_EQ(widgets_of_type<Text>(with_icon)[0]->color(), contrast_text_color(theme.highlight));

    auto chip = chip_button(theme, queue, "chip_x", "Sponsor", UiAction::cycle_segment_mode(0), ChipState::Active);
    EXPECT_EQ(widgets_of_type<Text>(chip)[0]->color(), theme.accent);
    EXPECT_EQ(test::activate(chip, queue), UiAction::cycle_segment_mode(0));

    auto model = VexaModel::empty();
    model.queue = { "vid_a" };
    auto queued = queue_button(model, theme, "vid_a");
    auto not_queued = queue_button(model, theme, "vid_b");
    EXPECT_TRUE(has_text(queued, "In queue"));
    EXPECT_TRUE(has_text(not_queued, "Add to queue"));
    EXPECT_EQ(queued.widget_id(), "queue_btn_vid_a");
    EXPECT_EQ(not_queued.accessibility(), std::nullopt); // no binding yet: inert
    EXPECT_FALSE(not_queued.is_actionable());
}

TEST(Sections, LargeFormAtOneAndAHalf)
{
    for (float scale : { 1.0f, 1.49f, 1.5f, 2.0f }) {
        SCOPED_TRACE(scale);
        bool large = scale >= 1.5f;
        auto header = section_header(theme, scale, Icon::Home, "Home", "Recent and popular");
        EXPECT_EQ(has_text(header, "Recent and popular"), !large);
        auto grid = video_grid(scale, {});
        EXPECT_EQ(grid.widget_id(), "video_grid");
        auto style = grid.layout_style();
        EXPECT_EQ(style.display == kaso::layout::Display::Grid, !large);
        EXPECT_EQ(style.gap.width, large ? 24 : 18);
    }
    auto state = empty_state(theme, "Nothing", "at all");
    EXPECT_EQ(test::label_texts(state), (std::vector<std::string> { "Nothing", "at all" }));
    EXPECT_EQ(widgets_of_type<IconWidget>(state)[0]->icon(), Icon::Empty);
    EXPECT_EQ(loading_grid(theme, 1.0f, 8).child_count(), 8u);
}

TEST(PagePictures, HomeCardsShowPicturesFromAnInjectedFetch)
{
    auto model = sample_catalogue();
    test::give_pictures(model);
    model.videos[1].thumbnail_url = "bad:broken";
    auto store = std::make_shared<image_store::ImageStore>(test::fake_fetch());
    auto page = home_screen(model, theme, 1.0f, OperationQueue::create(), store);
    FrameDriver driver(std::make_unique<Scrollable>(std::move(page)), theme);
    driver.set_viewport(1194, 734, 1);
    driver.frame(0);
    ASSERT_TRUE(store->block_until_idle(std::chrono::seconds(10)));
    driver.frame(1);
    auto thumbnails = widgets_of_type<Thumbnail>(driver.root());
    ASSERT_EQ(thumbnails.size(), model.videos.size());
    for (std::size_t i = 0; i < thumbnails.size(); ++i)
        EXPECT_EQ(thumbnails[i]->has_image(), i != 1) << i;
    for (auto* avatar : widgets_of_type<ChannelAvatar>(driver.root()))
        EXPECT_TRUE(avatar->has_image()) << avatar->initials();
}

}
}
