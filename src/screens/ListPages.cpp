#include "src/screens/ListPages.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "kaso/ui/format/Format.h"
#include "src/screens/Builders.h"
#include "src/screens/Buttons.h"
#include "src/screens/Grids.h"
#include "src/widgets/ImageBox.h"
#include "src/widgets/Thumbnail.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr Icon queue_icon = Icon::List;
constexpr Icon empty_queue_icon = Icon::Empty;
constexpr Icon subscribed_icon = Icon::Check;
constexpr Icon play_all_icon = Icon::Video;
constexpr Icon verified_icon = Icon::Verified;
constexpr float queue_max_width = 920;

bool is_large(float scale) { return scale >= 1.5f; }

// A row of the page's width holding one centred or left-aligned text.
Flex line_of(Text text, Justify justify = Justify::Start) { return Flex::row().width(Length::fill()).justify(justify).with_child(std::move(text)); }

Flex queue_empty(Theme const& theme, float scale, float list_width)
{
    if (!is_large(scale))
        return empty_state(theme, "Your shared queue is empty",
            "Add a video from its watch page. Queue membership syncs with collaborators when a collaboration host is available.")
            .with_id("queue_empty_state");
    return Flex::column()
        .with_id("queue_empty_state")
        .width(Length::px(list_width))
        .gap(12)
        .padding(48)
        .align(Align::Center)
        .with_child(icon(empty_queue_icon, 40, theme.text_muted))
        .with_child(line_of(text_label(theme, "Queue empty", 18).with_id("queue_empty_title"), Justify::Center))
        .with_child(line_of(colored_label("Add from a video's watch page.", 13, theme.text_muted).with_id("queue_empty_add"), Justify::Center))
        .with_child(
            line_of(colored_label("Sync needs a collaboration host.", 13, theme.text_muted).with_id("queue_empty_sync"), Justify::Center));
}

Flex queue_heading(Theme const& theme, float scale, std::size_t queued, float list_width)
{
    if (!is_large(scale))
        return Flex::column()
            .with_id("queue_heading")
            .width(Length::fill())
            .gap(8)
            .with_child(section_header(theme, scale, queue_icon, "Shared queue", fmt::format("{} saved video{}", queued, queued == 1 ? "" : "s")))
            .with_child(colored_label("Shared membership; each person controls local playback order.", 13, theme.text_muted));
    return Flex::column()
        .with_id("queue_heading")
        .width(Length::px(list_width))
        .gap(8)
        .with_child(Flex::row()
                        .gap(10)
                        .align(Align::Center)
                        .with_child(icon(queue_icon, 22, theme.icon_accent))
                        .with_child(text_label(theme, "Shared queue", 21).with_id("queue_heading_title")))
        .with_child(line_of(colored_label(fmt::format("{} saved", queued), 13, theme.text_muted).with_id("queue_heading_count")))
        .with_child(fixed_box(1, 8))
        .with_child(line_of(colored_label("Membership is shared.", 13, theme.text_muted).with_id("queue_heading_membership")))
        .with_child(line_of(colored_label("Playback order stays local.", 13, theme.text_muted).with_id("queue_heading_order")));
}

Flex not_found(Theme const& theme, std::string title) { return Flex::column().padding(24).with_child(empty_state(theme, std::move(title), "")); }

}

float queue_list_width(double content_width)
{
    if (std::isnan(content_width))
        return 1;
    return float(std::clamp(content_width - 64, 1.0, double(queue_max_width)));
}

Scrollable queue_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    double content_width, ControlBindings const& bindings)
{
    float list_width = queue_list_width(content_width);
    auto known = model.videos_by_ids(model.queue);
    std::size_t missing = model.queue.size() > known.size() ? model.queue.size() - known.size() : 0;

    auto items = Flex::column().width(Length::fill()).gap(10);
    if (known.empty())
        items.with_child(queue_empty(theme, scale, list_width));
    for (auto const* video : known)
        items.with_child(Flex::column()
                             .width(Length::fill())
                             .gap(8)
                             .with_child(compact_video_row(model, theme, queue, images, *video))
                             .with_child(queue_button(model, theme, video->id, bindings)));
    if (missing > 0)
        items.with_child(colored_label(fmt::format("{} queued item(s) need metadata before they can be shown.", missing), 12.5f, theme.text_muted));

    return page_scroll(Flex::column()
                           .with_id("queue_page")
                           .width(Length::fill())
                           .max_width(queue_max_width)
                           .padding(24)
                           .gap(18)
                           .with_child(queue_heading(theme, scale, model.queue.size(), list_width))
                           .with_child(std::move(items)));
}

Scrollable channel_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    std::string_view channel_id)
{
    auto const* creator = model.channel(channel_id);
    if (!creator)
        return page_scroll(not_found(theme, "Channel not found"));

    auto name_line = Flex::row()
                         .gap(8)
                         .align(Align::Center)
                         .with_child(text_label(theme, creator->name, 26))
                         .with_child_if(creator->verified, icon(verified_icon, 18, theme.text_muted));
    auto subscribers = subscriber_count_text(creator);
    auto subtitle = subscribers ? fmt::format("{}  •  {}", creator->handle, *subscribers) : creator->handle;
    auto about = Flex::column()
                     .grow(1)
                     .gap(5)
                     .with_child(std::move(name_line))
                     .with_child(colored_label(std::move(subtitle), 13.5f, theme.text_muted))
                     .with_child(colored_label(creator->description, 13, theme.text_muted));
    bool subscribed = model.is_subscribed(creator->id);
    auto subscribe = subscribed ? action_button(theme, queue, "Subscribed", subscribed_icon, UiAction::toggle_subscription(creator->id),
                                      ButtonKind::Secondary)
                                : action_button(theme, queue, "Subscribe", Icon::None, UiAction::toggle_subscription(creator->id),
                                      ButtonKind::Primary);
    auto header = Flex::row()
                      .width(Length::fill())
                      .gap(18)
                      .align(Align::Center)
                      .with_child(channel_avatar_for(images, model, creator->id, creator->name, 86))
                      .with_child(std::move(about))
                      .with_child(std::move(subscribe));

    return page_scroll(Flex::column()
                           .width(Length::fill())
                           .padding(24)
                           .gap(18)
                           .with_child(ImageBox(creator->seed, 160, theme.card_radius).with_image(images, creator->banner_url))
                           .with_child(std::move(header))
                           .with_child(divider(theme))
                           .with_child(text_label(theme, "Videos", 16))
                           .with_child(video_grid(scale, video_cards(model, theme, scale, queue, images, model.videos_of_channel(creator->id)))));
}

Scrollable playlist_screen(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    std::string_view playlist_id)
{
    auto const* playlist = model.playlist(playlist_id);
    if (!playlist)
        return page_scroll(not_found(theme, "Playlist unavailable"));

    auto known = model.videos_by_ids(playlist->video_ids);
    auto info = Flex::column()
                    .grow(1)
                    .gap(8)
                    .align(Align::Start)
                    .with_child(text_label(theme, playlist->title, 26))
                    .with_child(colored_label(
                        fmt::format("{}  •  {} videos", playlist->channel_name, format::compact_count(playlist->video_count)), 13.5f,
                        theme.text_muted));
    if (!known.empty())
        info.with_child(action_button(theme, queue, "Play all", play_all_icon, UiAction::open_video(known.front()->id), ButtonKind::Primary)
                            .with_id("playlist_play"));
    auto header = Flex::row()
                      .width(Length::fill())
                      .gap(18)
                      .align(Align::Start)
                      .with_child(Flex::column().width(Length::px(240)).with_child(
                          Thumbnail(playlist->seed, 0).height(135).with_image(images, playlist->thumbnail_url)))
                      .with_child(std::move(info));

    auto list = Flex::column().width(Length::fill()).gap(8);
    if (known.empty())
        list.with_child(empty_state(theme, "Loading playlist…", "Fetching the playlist's videos."));
    for (auto const* video : known)
        list.with_child(compact_video_row(model, theme, queue, images, *video));

    return page_scroll(Flex::column()
                           .with_id("playlist_page")
                           .width(Length::fill())
                           .padding(24)
                           .gap(18)
                           .with_child(std::move(header))
                           .with_child(divider(theme))
                           .with_child(text_label(theme, "Videos", 16))
                           .with_child(std::move(list)));
}

}
