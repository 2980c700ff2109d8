#include "src/screens/Pages.h"

#include "src/model/Formatting.h"
#include "src/screens/Builders.h"
#include "src/screens/FeedPages.h"
#include "src/screens/SearchPage.h"

namespace vexa {

using namespace kaso::ui;

namespace {

struct PageHeading {
    uint8_t icon;
    std::string title;
};

PageHeading heading_of(VexaModel const& model, Route const& route)
{
    switch (route.kind) {
    case RouteKind::Home: return { 27, "Home" };
    case RouteKind::Trending: return { 58, "Trending" };
    case RouteKind::Subscriptions: return { 59, "Subscriptions" };
    case RouteKind::Queue: return { 64, "Shared watch queue" };
    case RouteKind::Watch:
        if (auto const* video = model.video(route.text))
            return { 27, video->title };
        return { 27, "Video" };
    case RouteKind::Channel:
        if (auto const* channel = model.channel(route.text))
            return { 59, channel->name };
        return { 59, "Creator" };
    case RouteKind::Playlist:
        if (auto const* playlist = model.playlist(route.text))
            return { 64, playlist->title };
        return { 64, "Playlist" };
    case RouteKind::Search: return { 19, "Search results for " + route.text };
    case RouteKind::History: return { 60, "Watch history" };
    case RouteKind::Settings: return { 26, "Settings" };
    }
    return { 27, "Home" };
}

std::vector<Video const*> videos_of(VexaModel const& model, Route const& route)
{
    std::vector<Video const*> videos;
    switch (route.kind) {
    case RouteKind::Home:
    case RouteKind::Trending:
        for (auto const& video : model.videos)
            videos.push_back(&video);
        break;
    case RouteKind::History: return model.history_videos();
    case RouteKind::Channel: return model.videos_of_channel(route.text);
    case RouteKind::Watch: return model.related_videos(route.text);
    default: break;
    }
    return videos;
}

Flex video_row(Theme const& theme, OperationQueueHandle const& queue, Video const& video)
{
    return Flex::row()
        .with_id("video_row_" + video.id)
        .width(Length::fill())
        .padding(10)
        .gap(12)
        .align(Align::Center)
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.row_radius))
        .with_child(Flex::row().width(Length::px(96)).height(Length::px(54)).style(BoxStyle::filled(theme.control_fill, theme.card_radius)))
        .with_child(Flex::column()
                        .grow(1)
                        .gap(4)
                        .with_child(text_label(theme, video.title, 14.5f).max_lines(2))
                        .with_child(colored_label(video.channel_name, 12.5f, theme.text_muted)))
        .with_action(queue, UiAction::open_video(video.id))
        .with_label("Open video: " + video.title);
}

}

Scrollable route_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Route const& route, WatchSurface const& watch)
{
    switch (route.kind) {
    case RouteKind::Home: return home_screen(model, theme, scale, queue, images);
    case RouteKind::Trending: return trending_screen(model, theme, scale, queue, images);
    case RouteKind::Subscriptions: return subscriptions_screen(model, theme, scale, queue, images);
    case RouteKind::Search: return search_screen(model, theme, scale, queue, images, route.text);
    case RouteKind::Watch: return watch_screen(model, theme, queue, images, route.text, watch);
    default: return route_page(model, theme, scale, queue, route);
    }
}

Scrollable route_page(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, Route const& route)
{
    auto heading = heading_of(model, route);
    auto page = Flex::column().width(Length::fill()).padding(24).gap(16);
    page.with_child(section_header(theme, scale, heading.icon, heading.title, model.status_label));
    auto videos = videos_of(model, route);
    if (videos.empty()) {
        page.with_child(empty_state(theme, model.feed_loading ? "Loading" : "Nothing to show", model.status_label));
    } else {
        auto list = Flex::column().width(Length::fill()).gap(4);
        for (auto const* video : videos)
            list.with_child(video_row(theme, queue, *video));
        page.with_child(std::move(list));
    }
    return page_scroll(std::move(page));
}

}
