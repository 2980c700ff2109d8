#include "src/screens/FeedPages.h"

#include <algorithm>

#include <fmt/format.h>

#include "src/model/Text.h"
#include "src/screens/Builders.h"
#include "src/screens/Grids.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr Icon home_icon = Icon::Home;
constexpr Icon trending_icon = Icon::Trending;
constexpr Icon subscriptions_icon = Icon::Person;
constexpr std::size_t home_skeletons = 12;

Flex page_column() { return Flex::column().width(Length::fill()).padding(24).gap(18); }

std::vector<Video const*> all_videos(VexaModel const& model)
{
    std::vector<Video const*> videos;
    videos.reserve(model.videos.size());
    for (auto const& video : model.videos)
        videos.push_back(&video);
    return videos;
}

Flex home_content(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images)
{
    if (!model.videos.empty())
        return video_grid(scale, video_cards(model, theme, scale, queue, images, all_videos(model)));
    if (model.feed_loading)
        return loading_grid(theme, scale, home_skeletons);
    if (model.feed_error)
        return empty_state(theme, "Home refresh delayed", *model.feed_error);
    if (text::lowercase(model.status_label).find("offline") != std::string::npos)
        return empty_state(theme, "You're offline",
            "Reconnect, then search or return Home to load videos. Your subscriptions and watch history remain available.");
    return empty_state(theme, "Nothing to show yet", "Search for something, or check back when the trending feed loads.");
}

Flex creator_tile(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Channel const& creator)
{
    return Flex::column()
        .width(Length::px(96))
        .gap(6)
        .padding(6)
        .align(Align::Center)
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.card_radius))
        .with_action(queue, UiAction::open_channel(creator.id))
        .with_label("Open creator: " + creator.name)
        .with_child(channel_avatar_for(images, model, creator.id, creator.name, 56))
        .with_child(colored_label(creator.name, 11.5f, theme.text));
}

}

Scrollable home_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images)
{
    return page_scroll(page_column()
                           .with_child(section_header(theme, scale, home_icon, "Home", "Recent and popular"))
                           .with_child(home_content(model, theme, scale, queue, images)));
}

Scrollable trending_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images)
{
    auto videos = all_videos(model);
    std::stable_sort(videos.begin(), videos.end(), [](Video const* a, Video const* b) { return a->views > b->views; });
    return page_scroll(page_column()
                           .with_child(section_header(theme, scale, trending_icon, "Trending", "Most-watched right now"))
                           .with_child(video_grid(scale, video_cards(model, theme, scale, queue, images, videos))));
}

Scrollable subscriptions_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images)
{
    auto strip = Flex::row().width(Length::fill()).gap(18).wrap(true);
    for (auto const& id : model.subscriptions)
        if (auto const* creator = model.channel(id))
            strip.with_child(creator_tile(model, theme, queue, images, *creator));

    auto feed = model.subscription_feed();
    Flex content = feed.empty() ? empty_state(theme, "No subscriptions yet", "Subscribe to channels and their latest uploads land here.")
                                : video_grid(scale, video_cards(model, theme, scale, queue, images, feed));
    return page_scroll(page_column()
                           .with_child(section_header(theme, scale, subscriptions_icon, "Subscriptions",
                               fmt::format("{} channels", model.subscriptions.size())))
                           .with_child(std::move(strip))
                           .with_child(divider(theme))
                           .with_child(text_label(theme, "Latest from your subscriptions", 16))
                           .with_child(std::move(content)));
}

}
