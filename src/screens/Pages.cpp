#include "src/screens/Pages.h"

#include "src/model/Formatting.h"
#include "src/screens/Builders.h"
#include "src/screens/RouteTable.h"

namespace vexa {

using namespace kaso::ui;

namespace {

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
    return route_kind_info(route.kind).build_page(PageInputs { model, theme, scale, queue, images, route, watch });
}

Scrollable route_page(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, Route const& route)
{
    auto page = Flex::column().width(Length::fill()).padding(24).gap(16);
    page.with_child(section_header(theme, scale, route_kind_info(route.kind).icon, route_title(model, route), model.status_label));
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
