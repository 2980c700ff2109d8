#include "src/screens/Cards.h"

#include <fmt/format.h>

#include "kaso/ui/format/Format.h"
#include "src/model/Formatting.h"
#include "src/model/Text.h"
#include "src/screens/Buttons.h"
#include "src/screens/Builders.h"
#include "src/widgets/LargeVideoMeta.h"
#include "src/widgets/Thumbnail.h"

namespace vexa {

using namespace kaso::ui;

namespace {

// The watched share shown on the card of the most recently watched video.
constexpr float recent_progress = 0.35f;
// The icon of a verified creator and of playlists.
constexpr Icon verified_icon = Icon::Verified;
constexpr Icon list_icon = Icon::List;

Thumbnail video_thumbnail(VexaModel const& model, ImageStoreHandle const& images, Video const& video, float height)
{
    return Thumbnail(video.seed, video.duration).height(height).with_image(images, model.thumbnail_for(video)).live(video.live);
}

}

std::string display_title(VexaModel const& model, Video const& video)
{
    if (model.settings.dearrow && model.settings.dearrow_titles && video.dearrow_title)
        return *video.dearrow_title;
    return video.title;
}

Flex video_card(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Video const& video)
{
    auto title = display_title(model, video);
    auto thumbnail = video_thumbnail(model, images, video, 169);
    if (!model.history.empty() && model.history.front() == video.id)
        thumbnail = std::move(thumbnail).progress(recent_progress);
    auto meta = fmt::format("{} • {}", format_view_count(video.views), video.published);

    Flex meta_block = Flex::column();
    if (scale < 1.5f) {
        auto const* channel = model.channel(video.channel_id);
        auto creator_line = Flex::row()
                                .width(Length::fill())
                                .gap(5)
                                .align(Align::Center)
                                .with_child(Flex::row().grow(1).with_child(colored_label(video.channel_name, 12.5f, theme.text_muted)))
                                .with_child_if(channel && channel->verified, icon(verified_icon, 12, theme.text_muted));
        auto text_column = Flex::column()
                               .gap(3)
                               .grow(1)
                               .with_child(text_label(theme, title, 14.5f))
                               .with_child(std::move(creator_line))
                               .with_child(colored_label(meta, 12.5f, theme.text_muted));
        meta_block = Flex::row()
                         .width(Length::fill())
                         .gap(10)
                         .align(Align::Start)
                         .with_child(channel_avatar_for(images, model, video.channel_id, video.channel_name, 36))
                         .with_child(std::move(text_column));
    } else {
        meta_block = Flex::column().width(Length::fill()).with_child(LargeVideoMeta(title, video.channel_name, meta));
    }

    BoxStyle hover;
    hover.fill = theme.control_fill_hover;
    hover.radius = theme.card_radius;
    return Flex::column()
        .with_id("video_card_" + video.id)
        .width(Length::fill())
        .gap(9)
        .padding(6)
        .hover_style(hover)
        .with_action(queue, UiAction::open_video(video.id))
        .with_label("Open video: " + title)
        .with_child(std::move(thumbnail))
        .with_child(std::move(meta_block));
}

std::vector<Flex> video_cards(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, std::vector<Video const*> const& videos)
{
    std::vector<Flex> cards;
    cards.reserve(videos.size());
    for (auto const* video : videos)
        cards.push_back(video_card(model, theme, scale, queue, images, *video));
    return cards;
}

Flex compact_video_row(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Video const& video)
{
    auto title = display_title(model, video);
    auto meta = join_meta(video.views, video.published);
    auto text = Flex::column()
                    .grow(1)
                    .gap(4)
                    .with_child(text_label(theme, title, 13))
                    .with_child(colored_label(video.channel_name, 12, theme.text_muted))
                    .with_child_if(!meta.empty(), colored_label(meta, 11.5f, theme.text_muted));
    return Flex::row()
        .width(Length::fill())
        .padding(6)
        .gap(10)
        .align(Align::Start)
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.row_radius))
        .with_action(queue, UiAction::open_video(video.id))
        .with_label("Open video: " + title)
        .with_child(Flex::column().width(Length::px(160)).with_child(video_thumbnail(model, images, video, 90)))
        .with_child(std::move(text));
}

Flex playlist_card(Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images, Playlist const& playlist)
{
    Color white { 1, 1, 1, 1 };
    auto count = kaso::ui::format::compact_count(playlist.video_count);
    auto badge = Flex::row()
                     .gap(5)
                     .align(Align::Center)
                     .padding_each(8, 4, 8, 4)
                     .style(BoxStyle::filled(Color::rgba(0, 0, 0, 200), 6))
                     .with_child(icon(list_icon, 12, white))
                     .with_child(colored_label(fmt::format("{} videos", count), 11, white));
    auto overlay = Flex::column()
                       .overlay(true)
                       .width(Length::fill())
                       .height(Length::fill())
                       .padding(8)
                       .align(Align::End)
                       .justify(Justify::End)
                       .with_child(std::move(badge));
    auto picture = Flex::column()
                       .width(Length::fill())
                       .height(Length::px(169))
                       .with_child(Thumbnail(playlist.seed, 0).with_image(images, playlist.thumbnail_url))
                       .with_child(std::move(overlay));
    auto text = Flex::column()
                    .grow(1)
                    .gap(3)
                    .with_child(text_label(theme, playlist.title, 14.5f))
                    .with_child(colored_label(fmt::format("{} • Playlist", playlist.channel_name), 12.5f, theme.text_muted))
                    .with_child(colored_label(fmt::format("{} videos", count), 12.5f, theme.text_muted));
    auto info = Flex::row()
                    .width(Length::fill())
                    .gap(10)
                    .align(Align::Start)
                    .with_child(icon(list_icon, 22, theme.icon_accent))
                    .with_child(std::move(text));
    return Flex::column()
        .with_id("playlist_card_" + playlist.id)
        .width(Length::fill())
        .gap(9)
        .padding(6)
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.card_radius))
        .with_action(queue, UiAction::open_playlist(playlist.id))
        .with_label("Open playlist: " + playlist.title)
        .with_child(std::move(picture))
        .with_child(std::move(info));
}

Flex creator_card(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Channel const& creator)
{
    auto subscribers = subscriber_count_text(&creator);
    std::string subtitle;
    if (!creator.handle.empty() && creator.handle != creator.id)
        subtitle = subscribers ? fmt::format("{} • {}", creator.handle, *subscribers) : creator.handle;
    else
        subtitle = subscribers.value_or("");
    auto name_line = Flex::row()
                         .gap(6)
                         .align(Align::Center)
                         .with_child(text_label(theme, creator.name, 16))
                         .with_child_if(creator.verified, icon(verified_icon, 14, theme.text_muted));
    auto text = Flex::column()
                    .grow(1)
                    .gap(3)
                    .with_child(std::move(name_line))
                    .with_child_if(!subtitle.empty(), colored_label(subtitle, 12.5f, theme.text_muted));
    return Flex::row()
        .with_id("creator_card_" + creator.id)
        .width(Length::fill())
        .padding(8)
        .gap(14)
        .align(Align::Center)
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.row_radius))
        .with_action(queue, UiAction::open_channel(creator.id))
        .with_label("Open creator: " + creator.name)
        .with_child(channel_avatar_for(images, model, creator.id, creator.name, 56))
        .with_child(std::move(text))
        .with_child(action_button(theme, queue, "View", Icon::None, UiAction::open_channel(creator.id), ButtonKind::Secondary));
}

std::string join_meta(uint64_t views, std::string_view published)
{
    std::string joined;
    if (views > 0)
        joined = format_view_count(views);
    auto trimmed = text::trim(published);
    if (!trimmed.empty()) {
        if (!joined.empty())
            joined += " • ";
        joined += trimmed;
    }
    return joined;
}

std::optional<std::string> subscriber_count_text(Channel const* channel)
{
    if (!channel || channel->subscribers == 0)
        return std::nullopt;
    return fmt::format("{} subscribers", kaso::ui::format::compact_count(channel->subscribers));
}

ChannelAvatar channel_avatar_for(ImageStoreHandle const& images, VexaModel const& model, std::string_view channel_id, std::string_view name,
    float size)
{
    std::string url;
    if (auto const* channel = model.channel(channel_id))
        url = channel->avatar_url;
    return ChannelAvatar(images, std::move(url), name, size);
}

ChannelAvatar initials_avatar(std::string_view name) { return ChannelAvatar(nullptr, {}, name, 36); }

}
