#include "src/screens/WatchScreen.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "src/screens/Builders.h"
#include "src/screens/WatchInfo.h"
#include "src/widgets/PlayerHost.h"
#include "src/widgets/Switch.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr Icon skip_icon = Icon::Skip;
constexpr std::size_t up_next_count = 6;
constexpr double side_by_side_width = 900;

// The first Show segment under the playhead whose end can be skipped to.
Segment const* shown_segment(VexaModel const& model, Video const& video)
{
    for (auto const& segment : video.sponsor) {
        if (model.settings.shows_segments(segment.category) && segment.contains(model.playback_position))
            return std::isfinite(segment.end) ? &segment : nullptr;
    }
    return nullptr;
}

Flex skip_button(Theme const& theme, OperationQueueHandle const& queue, Segment const& segment)
{
    auto label = fmt::format("Skip {}", segment_category_label(segment.category));
    auto white = Color::rgb(255, 255, 255);
    auto normal = BoxStyle::filled(Color::rgba(0, 0, 0, 200), theme.control_radius);
    normal.border = Border { 1, Color::rgba(255, 255, 255, 40) };
    return Flex::row()
        .with_id("sb_skip_btn")
        .gap(6)
        .padding_each(13, 8, 13, 8)
        .align(Align::Center)
        .style(normal)
        .hover_style(BoxStyle::filled(theme.icon_accent, theme.control_radius))
        .with_action(queue, UiAction::skip_segment(segment.end))
        .with_label(label)
        .with_child(colored_label(label, 13, white))
        .with_child(icon(skip_icon, 14, white));
}

Flex player_section(Theme const& theme, OperationQueueHandle const& queue, WatchSurface const& surface, Segment const* segment,
    bool marked)
{
    auto [width, height] = player_size(surface.content_width, surface.viewport_height);
    auto frame = Flex::column().width(Length::px(float(width))).height(Length::px(float(height)));
    if (surface.player)
        frame.with_child(PlayerHost(surface.player, float(height)));
    if (segment) {
        frame.with_child(Flex::column()
                             .overlay(true)
                             .width(Length::fill())
                             .height(Length::fill())
                             .padding_each(0, 0, 16, 52)
                             .align(Align::End)
                             .justify(Justify::End)
                             .with_child(skip_button(theme, queue, *segment)));
    }
    auto section = Flex::column().width(Length::fill()).with_child(
        Flex::row().width(Length::fill()).justify(Justify::Center).with_child(std::move(frame)));
    if (marked)
        section.with_id("sb_timeline");
    return section;
}

Flex up_next_column(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Video const& video)
{
    auto autoplay = Switch(queue, UiAction::toggle_setting(uint8_t(SettingFlag::Autoplay)), model.settings.autoplay).with_label("Autoplay");
    auto column = Flex::column().width(Length::fill()).gap(10).with_child(
        Flex::row()
            .width(Length::fill())
            .gap(10)
            .align(Align::Center)
            .with_child(text_label(theme, "Up next", 16))
            .with_child(fill_spacer())
            .with_child(Flex::row()
                            .gap(8)
                            .align(Align::Center)
                            .with_child(colored_label("Autoplay", 12.5f, theme.text_muted))
                            .with_child(std::move(autoplay))));
    auto related = model.related_videos(video.id);
    for (std::size_t i = 0; i < related.size() && i < up_next_count; ++i)
        column.with_child(compact_video_row(model, theme, queue, images, *related[i]));
    return column;
}

}

std::vector<TimelineMark> sponsor_marks(VexaModel const& model, Video const& video)
{
    std::vector<TimelineMark> marks;
    if (!model.settings.sponsorblock)
        return marks;
    double duration = std::max(1.0, double(video.duration));
    for (auto const& segment : video.sponsor) {
        if (!model.settings.marks_segments(segment.category))
            continue;
        auto rgb = segment_category_color(segment.category);
        TimelineMark mark;
        mark.start = segment.start / duration;
        mark.end = segment.end / duration;
        mark.color = Color::rgb(rgb.red, rgb.green, rgb.blue);
        marks.push_back(mark);
    }
    return marks;
}

std::size_t quality_index(std::string_view preferred)
{
    auto found = std::find(quality_labels.begin(), quality_labels.end(), preferred);
    return found == quality_labels.end() ? 0 : std::size_t(found - quality_labels.begin());
}

kaso::ui::PlayerSetting quality_setting(std::string_view preferred_quality)
{
    kaso::ui::PlayerSetting setting;
    setting.id = "resolution";
    setting.label = "Resolution";
    setting.options.assign(quality_labels.begin(), quality_labels.end());
    setting.selected = quality_index(preferred_quality);
    return setting;
}

std::pair<double, double> player_size(double content_width, double viewport_height)
{
    double width = viewport_height * 0.65 * 16.0 / 9.0;
    width = std::min(width, content_width);
    if (!(width >= 1))
        width = 1;
    double height = std::max(1.0, width * 9.0 / 16.0);
    return { width, height };
}

Scrollable watch_screen(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    std::string_view video_id, WatchSurface const& surface)
{
    auto const* video = model.video(video_id);
    if (!video)
        return page_scroll(Flex::column().padding(24).with_child(empty_state(theme, "Video unavailable", "")));

    auto marks = sponsor_marks(model, *video);
    bool marked = !marks.empty();
    if (surface.player) {
        surface.player->set_marks(std::move(marks));
        surface.player->set_setting(quality_setting(model.settings.preferred_quality));
    }

    auto info = watch_info_column(model, theme, queue, images, *video, surface.bindings);
    auto up_next = up_next_column(model, theme, queue, images, *video);
    double body_width = std::max(0.0, surface.content_width - 40);
    Flex body = body_width < side_by_side_width
        ? Flex::column().width(Length::fill()).gap(24).with_child(std::move(info)).with_child(std::move(up_next))
        : Flex::row()
              .width(Length::fill())
              .gap(24)
              .align(Align::Start)
              .with_child(std::move(info).grow(1))
              .with_child(std::move(up_next).width(Length::px(360)));
    return page_scroll(Flex::column()
                           .width(Length::fill())
                           .with_child(player_section(theme, queue, surface, shown_segment(model, *video), marked))
                           .with_child(Flex::column().width(Length::fill()).padding(20).with_child(std::move(body))));
}

}
