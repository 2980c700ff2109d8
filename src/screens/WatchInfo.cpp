#include "src/screens/WatchInfo.h"

#include <fmt/format.h>

#include "kaso/ui/format/Format.h"
#include "src/model/Formatting.h"
#include "src/screens/Builders.h"
#include "src/screens/Buttons.h"

namespace vexa {

using namespace kaso::ui;
using kaso::ui::format::compact_count;

namespace {

constexpr Icon settings_icon = Icon::Settings;
constexpr Icon share_icon = Icon::Onward;
constexpr Icon like_icon = Icon::Like;
constexpr Icon dislike_icon = Icon::Dislike;
constexpr Icon subscribed_icon = Icon::Check;
constexpr Icon notice_icon = Icon::Skip;
constexpr std::size_t shown_notices = 4;

BoxStyle bordered(Color fill, Color border, double radius)
{
    auto style = BoxStyle::filled(fill, radius);
    style.border = Border { 1, border };
    return style;
}

Flex settings_row(Theme const& theme, OperationQueueHandle const& queue)
{
    return Flex::row()
        .width(Length::fill())
        .gap(12)
        .align(Align::Center)
        .with_child(fill_spacer())
        .with_child(icon_button(theme, queue, settings_icon, UiAction::navigate(Route::settings())).with_id("watch_settings"));
}

Flex notices_block(VexaModel const& model, Theme const& theme)
{
    auto block = Flex::column().with_id("notices").width(Length::fill()).gap(6);
    for (std::size_t i = 0; i < model.notices.size() && i < shown_notices; ++i) {
        block.with_child(Flex::row()
                             .width(Length::fill())
                             .gap(8)
                             .padding_each(12, 8, 12, 8)
                             .align(Align::Center)
                             .style(BoxStyle::filled(theme.control_fill, theme.control_radius))
                             .with_child(icon(notice_icon, 14, theme.icon_accent))
                             .with_child(colored_label(model.notices[i], 12.5f, theme.text)));
    }
    return block;
}

Flex dislike_pill(VexaModel const& model, Theme const& theme, Video const& video)
{
    auto known = model.dislikes.find(video.id);
    std::string count = known == model.dislikes.end() ? "—" : compact_count(known->second);
    return Flex::row()
        .with_id("dislike_pill")
        .gap(8)
        .padding_each(16, 9, 16, 9)
        .align(Align::Center)
        .style(bordered(theme.control_fill, theme.divider, theme.control_radius))
        .with_child(icon(dislike_icon, 16, theme.text))
        .with_child(colored_label(std::move(count), 14, theme.text));
}

Flex meta_row(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, Video const& video, ControlBindings const& bindings)
{
    auto like_kind = model.is_liked(video.id) ? ButtonKind::Primary : ButtonKind::Secondary;
    return Flex::row()
        .width(Length::fill())
        .gap(12)
        .wrap(true)
        .align(Align::Center)
        .with_child(colored_label(fmt::format("{} • {}", format_view_count(video.views), video.published), 13, theme.text_muted))
        .with_child(fill_spacer())
        .with_child(action_button(theme, queue, compact_count(model.display_likes(video)), like_icon, UiAction::toggle_like(video.id), like_kind)
                .with_id("like_btn"))
        .with_child_if(model.settings.return_dislike, dislike_pill(model, theme, video))
        .with_child(queue_button(model, theme, video.id, bindings))
        .with_child(action_button(theme, queue, "Share", share_icon, UiAction::share(video.id), ButtonKind::Secondary).with_id("share_btn"));
}

Flex creator_row(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images, Video const& video)
{
    auto const* channel = model.channel(video.channel_id);
    auto subscribers = subscriber_count_text(channel);
    auto names = Flex::column()
                     .grow(1)
                     .gap(2)
                     .with_action(queue, UiAction::open_channel(video.channel_id))
                     .with_label("Open creator: " + video.channel_name)
                     .with_child(text_label(theme, video.channel_name, 15));
    if (subscribers)
        names.with_child(colored_label(*subscribers, 12, theme.text_muted));
    auto toggle = UiAction::toggle_subscription(video.channel_id);
    auto subscribe = model.is_subscribed(video.channel_id)
        ? action_button(theme, queue, "Subscribed", subscribed_icon, std::move(toggle), ButtonKind::Secondary)
        : action_button(theme, queue, "Subscribe", Icon::None, std::move(toggle), ButtonKind::Primary);
    return Flex::row()
        .width(Length::fill())
        .gap(12)
        .align(Align::Center)
        .with_child(channel_avatar_for(images, model, video.channel_id, video.channel_name, 48))
        .with_child(std::move(names))
        .with_child(std::move(subscribe).with_id("subscribe_btn"));
}

Flex description_panel(Theme const& theme, Video const& video)
{
    return Flex::column()
        .width(Length::fill())
        .gap(6)
        .padding(14)
        .style(bordered(theme.panel_fill, theme.divider, theme.card_radius))
        .with_child(colored_label(video.description, 13.5f, theme.text_muted));
}

Flex comments_block(VexaModel const& model, Theme const& theme, Video const& video)
{
    auto block = Flex::column().width(Length::fill()).gap(14).with_child(
        Flex::row().gap(10).align(Align::Center).with_child(
            text_label(theme, fmt::format("{} Comments", compact_count(video.comments.size())), 17)));
    if (model.settings.show_comments) {
        for (auto const& comment : video.comments)
            block.with_child(comment_row(theme, comment));
    } else {
        block.with_child(colored_label("Comments hidden (enable in settings).", 13, theme.text_muted));
    }
    return block;
}

}

Flex comment_row(Theme const& theme, Comment const& comment)
{
    auto header = Flex::row().gap(8).align(Align::Center);
    if (comment.pinned) {
        header.with_child(Flex::row()
                              .padding_each(6, 2, 6, 2)
                              .style(BoxStyle::filled(theme.control_fill, 4))
                              .with_child(colored_label("Pinned", 10.5f, theme.text_muted)));
    }
    header.with_child(colored_label(comment.author, 13, theme.text));
    header.with_child(colored_label(comment.time_ago, 11.5f, theme.text_muted));
    if (comment.hearted)
        header.with_child(icon(like_icon, 12, theme.accent));

    auto likes = Flex::row()
                     .gap(6)
                     .align(Align::Center)
                     .with_child(icon(like_icon, 13, theme.text_muted))
                     .with_child(colored_label(compact_count(comment.likes), 11.5f, theme.text_muted))
                     .with_child(fixed_box(8, 1));
    if (comment.replies != 0)
        likes.with_child(colored_label(fmt::format("{} replies", comment.replies), 11.5f, theme.text_muted));

    return Flex::row()
        .width(Length::fill())
        .gap(12)
        .align(Align::Start)
        .with_child(initials_avatar(comment.author))
        .with_child(Flex::column()
                        .grow(1)
                        .gap(4)
                        .with_child(std::move(header))
                        .with_child(text_label(theme, comment.text, 13.5f))
                        .with_child(std::move(likes)));
}

Flex watch_info_column(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Video const& video, ControlBindings const& bindings)
{
    auto column = Flex::column().gap(14).with_child(settings_row(theme, queue));
    if (!model.notices.empty())
        column.with_child(notices_block(model, theme));
    return std::move(column)
        .with_child(text_label(theme, display_title(model, video), 22))
        .with_child(meta_row(model, theme, queue, video, bindings))
        .with_child(divider(theme))
        .with_child(creator_row(model, theme, queue, images, video))
        .with_child(description_panel(theme, video))
        .with_child(divider(theme))
        .with_child(comments_block(model, theme, video));
}

}
