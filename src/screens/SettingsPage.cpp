#include "src/screens/SettingsPage.h"

#include <algorithm>

#include <fmt/format.h>

#include "src/screens/Builders.h"
#include "src/screens/Buttons.h"
#include "src/screens/Grids.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr Icon settings_icon = Icon::Settings;
constexpr Icon quality_icon = Icon::Onward;

// What each switch of the page shows: its element id, title and subtitle.
struct SwitchText {
    SettingFlag flag;
    char const* id;
    char const* title;
    char const* subtitle;
};

constexpr SwitchText autoplay_switch { SettingFlag::Autoplay, "switch_autoplay", "Autoplay next video", "Play the up-next video when this one ends." };
constexpr SwitchText comments_switch { SettingFlag::ShowComments, "switch_comments", "Show comments", "Load the comment section on the watch page." };
constexpr SwitchText dislikes_switch { SettingFlag::ReturnDislike, "switch_dislikes", "Show dislikes",
    "Display the crowdsourced dislike count (Return YouTube Dislike)." };
constexpr SwitchText sponsorblock_switch { SettingFlag::SponsorBlock, "switch_sponsorblock", "Enable SponsorBlock",
    "Use community segment data to mark and skip parts of videos." };
constexpr SwitchText dearrow_switch { SettingFlag::DeArrow, "switch_dearrow", "Enable DeArrow", "Use community branding in place of clickbait." };
constexpr SwitchText dearrow_titles_switch { SettingFlag::DeArrowTitles, "switch_dearrow_titles", "Replace clickbait titles",
    "Show community-submitted, factual titles instead of clickbait." };
constexpr SwitchText dearrow_thumbs_switch { SettingFlag::DeArrowThumbnails, "switch_dearrow_thumbs", "Replace thumbnails",
    "Use neutral community thumbnails in place of clickbait frames." };

// By SegmentCategory index.
constexpr char const* category_descriptions[] = {
    "Paid promotion, paid referrals and direct advertisements.",
    "Unpaid/self promotion, merch, donations, charity.",
    "\"Like and subscribe\" reminders without other content.",
    "An interval without actual content — pause, animation, intro.",
    "Credits or when the video is over — endcards and outros.",
    "Quick recap of previous episodes or a preview of what's coming.",
    "Non-music sections in a music video — for music listening.",
    "Tangential scenes added only to lengthen the video.",
};
static_assert(std::size(category_descriptions) == all_segment_categories.size());

Flex switch_row(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, SwitchText const& text, RowEnabled enabled)
{
    auto control = Switch(queue, UiAction::toggle_setting(uint8_t(text.flag)), model.settings.flag(text.flag)).with_id(text.id).with_label(text.title);
    return settings_row(theme, text.title, text.subtitle, std::move(control), enabled);
}

Flex text_pair(std::string title, std::string subtitle, Color title_color, Color subtitle_color)
{
    return Flex::column()
        .grow(1)
        .gap(3)
        .with_child(colored_label(std::move(title), 14.5f, title_color))
        .with_child(colored_label(std::move(subtitle), 12.5f, subtitle_color));
}

Flex control_row(Flex texts, WidgetBox control)
{
    return Flex::row()
        .width(Length::fill())
        .padding_each(0, 10, 0, 10)
        .gap(16)
        .align(Align::Center)
        .with_child(std::move(texts))
        .with_child(std::move(control));
}

BoxStyle bordered(std::optional<Color> fill, Color border, double radius)
{
    BoxStyle style;
    style.fill = fill;
    style.border = Border { 1, border };
    style.radius = radius;
    return style;
}

Flex quality_row(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue)
{
    auto const& preferred = model.settings.preferred_quality;
    auto pill = Flex::row()
                    .gap(6)
                    .padding_each(10, 6, 10, 6)
                    .align(Align::Center)
                    .style(bordered(theme.control_fill, theme.divider, theme.row_radius))
                    .with_action(queue, UiAction::set_quality(std::string(next_quality(preferred))))
                    .with_label(fmt::format("Playback quality, currently {}", preferred))
                    .with_child(colored_label(preferred, 12.5f, theme.text))
                    .with_child(icon(quality_icon, 12, theme.text_muted));
    return control_row(text_pair("Preferred quality", "Highest resolution to request when available.", theme.text, theme.text_muted),
        std::make_unique<Flex>(std::move(pill)));
}

// The look of a mode pill: its text, box and ink.
struct ModeLook {
    char const* text;
    BoxStyle normal;
    Color ink;
};

ModeLook mode_look(Theme const& theme, SegmentMode mode)
{
    switch (mode) {
    case SegmentMode::Skip: {
        auto [fill, ink] = with_contrast_text_color(theme.highlight);
        return { "Auto-skip", BoxStyle::filled(fill, theme.control_radius), ink };
    }
    case SegmentMode::Show: return { "Show", bordered(theme.control_fill, theme.divider, theme.control_radius), theme.text };
    case SegmentMode::Disabled: break;
    }
    return { "Off", bordered(std::nullopt, theme.divider, theme.control_radius), theme.text_muted };
}

Flex category_row(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, SegmentCategory category)
{
    auto index = std::size_t(category);
    auto rgb = segment_category_color(category);
    std::string label(segment_category_label(category));
    auto look = mode_look(theme, model.settings.stored_segment_mode(category));
    auto hover = look.normal;
    hover.fill = theme.control_fill_hover;

    auto swatch = Flex::row()
                      .width(Length::px(14))
                      .height(Length::px(14))
                      .style(BoxStyle::filled(Color::rgb(rgb.red, rgb.green, rgb.blue), 4));
    auto texts = Flex::column()
                     .grow(1)
                     .gap(2)
                     .with_child(text_label(theme, label, 14))
                     .with_child(colored_label(category_descriptions[index], 12, theme.text_muted));
    auto pill = Flex::row()
                    .with_id(fmt::format("mode_{}", segment_category_api_id(category)))
                    .width(Length::px(104))
                    .padding_each(12, 7, 12, 7)
                    .align(Align::Center)
                    .justify(Justify::Center)
                    .style(look.normal)
                    .hover_style(hover)
                    .with_action(queue, UiAction::cycle_segment_mode(uint8_t(index)))
                    .with_label(fmt::format("{}: {}", label, look.text))
                    .with_child(colored_label(look.text, 12.5f, look.ink));
    return Flex::row()
        .width(Length::fill())
        .padding_each(0, 8, 0, 8)
        .gap(16)
        .align(Align::Center)
        .with_child(Flex::row().grow(1).gap(10).align(Align::Center).with_child(std::move(swatch)).with_child(std::move(texts)))
        .with_child(std::move(pill));
}

}

std::string_view next_quality(std::string_view preferred)
{
    auto found = std::find(quality_labels.begin(), quality_labels.end(), preferred);
    if (found == quality_labels.end())
        return "720p";
    ++found;
    return found == quality_labels.end() ? quality_labels.front() : *found;
}

Flex settings_section(Theme const& theme, std::string title, std::vector<Flex> items)
{
    auto section = Flex::column()
                       .width(Length::fill())
                       .padding_each(20, 16, 20, 16)
                       .gap(2)
                       .style(bordered(theme.panel_fill, theme.divider, theme.card_radius))
                       .with_child(text_label(theme, std::move(title), 16.5f))
                       .with_child(fixed_box(1, 8));
    bool first = true;
    for (auto& item : items) {
        if (!first)
            section.with_child(divider(theme));
        first = false;
        section.with_child(std::move(item));
    }
    return section;
}

Flex settings_row(Theme const& theme, std::string title, std::string subtitle, Switch control, RowEnabled enabled)
{
    bool on = enabled == RowEnabled::Yes;
    return control_row(text_pair(std::move(title), std::move(subtitle), on ? theme.text : theme.text_muted, theme.text_muted),
        std::make_unique<Switch>(std::move(control)));
}

Flex enabled_settings_row(Theme const& theme, std::string title, std::string subtitle, Switch control)
{
    return settings_row(theme, std::move(title), std::move(subtitle), std::move(control), RowEnabled::Yes);
}

Scrollable settings_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue,
    DeviceSectionInput const& devices)
{
    std::vector<Flex> playback;
    for (auto const* text : { &autoplay_switch, &comments_switch, &dislikes_switch })
        playback.push_back(switch_row(model, theme, queue, *text, RowEnabled::Yes));
    playback.push_back(quality_row(model, theme, queue));

    std::vector<Flex> sponsorblock;
    sponsorblock.push_back(switch_row(model, theme, queue, sponsorblock_switch, RowEnabled::Yes));
    for (auto category : all_segment_categories)
        sponsorblock.push_back(category_row(model, theme, queue, category));

    auto dearrow_rows = model.settings.dearrow ? RowEnabled::Yes : RowEnabled::No;
    std::vector<Flex> dearrow;
    dearrow.push_back(switch_row(model, theme, queue, dearrow_switch, RowEnabled::Yes));
    dearrow.push_back(switch_row(model, theme, queue, dearrow_titles_switch, dearrow_rows));
    dearrow.push_back(switch_row(model, theme, queue, dearrow_thumbs_switch, dearrow_rows));

    return page_scroll(Flex::column()
                           .width(Length::fill())
                           .max_width(820)
                           .padding(24)
                           .with_child(section_header(theme, scale, settings_icon, "Settings", ""))
                           .with_child(height_spacer(18))
                           .with_child(settings_section(theme, "Playback", std::move(playback)))
                           .with_child(height_spacer(16))
                           .with_child(settings_section(theme, "SponsorBlock", std::move(sponsorblock)))
                           .with_child(height_spacer(16))
                           .with_child(settings_section(theme, "DeArrow", std::move(dearrow)))
                           .with_child(height_spacer(16))
                           .with_child(device_section(theme, queue, devices))
                           .with_child(height_spacer(24)));
}

}
