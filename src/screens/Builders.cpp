#include "src/screens/Builders.h"

namespace vexa {

using namespace kaso::ui;

Text text_label(Theme const& theme, std::string text, float size) { return colored_label(std::move(text), size, theme.text); }

Text colored_label(std::string text, float size, Color color) { return Text(std::move(text)).size(size).color(color).wrap(true); }

IconWidget icon(Icon icon, float size, Color color) { return IconWidget(icon).size(size).color(color).stroke_width(1.5f); }

Flex section_header(Theme const& theme, float scale, Icon glyph, std::string title, std::string subtitle)
{
    auto title_row = Flex::row()
                         .width(Length::fill())
                         .gap(10)
                         .align(Align::Center)
                         .with_child(icon(glyph, 22, theme.icon_accent))
                         .with_child(text_label(theme, std::move(title), 21));
    if (scale < 1.5f)
        return std::move(title_row).with_child(fill_spacer()).with_child(colored_label(std::move(subtitle), 13, theme.text_muted));
    return Flex::column().width(Length::fill()).with_child(std::move(title_row)).with_child(fixed_box(1, 38));
}

Flex empty_state(Theme const& theme, std::string title, std::string message)
{
    return Flex::column()
        .width(Length::fill())
        .gap(8)
        .padding(48)
        .align(Align::Center)
        .justify(Justify::Center)
        .with_child(icon(Icon::Empty, 40, theme.text_muted))
        .with_child(text_label(theme, std::move(title), 18))
        .with_child(colored_label(std::move(message), 13, theme.text_muted));
}

Flex icon_button(Theme const& theme, OperationQueueHandle const& queue, Icon glyph, UiAction action)
{
    std::string title(action.title());
    return Flex::row()
        .width(Length::px(40))
        .height(Length::px(40))
        .align(Align::Center)
        .justify(Justify::Center)
        .style(BoxStyle::filled(theme.control_fill, theme.control_radius))
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.control_radius))
        .with_child(icon(glyph, 20, theme.text))
        .with_action(queue, std::move(action))
        .with_label(std::move(title));
}

Scrollable page_scroll(Flex page) { return Scrollable().with_child(std::move(page).block(true)); }

}
