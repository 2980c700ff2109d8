#include "src/screens/ActionPalette.h"

#include <fmt/format.h>

#include "kaso/ui/TextInput.h"
#include "src/backend/ModelBackend.h"
#include "src/model/Formatting.h"
#include "src/model/Text.h"
#include "src/model/VexaModel.h"
#include "src/screens/Builders.h"

namespace vexa {

using namespace kaso::ui;

namespace {

Flex state_column(Theme const& theme, std::string text)
{
    return Flex::column().width(Length::fill()).padding(20).align(Align::Center).with_child(colored_label(std::move(text), 13, theme.text_muted));
}

Flex result_row(Theme const& theme, OperationQueueHandle const& queue, PaletteMatch const& match, std::size_t index)
{
    bool creator = match.kind == palette_channel_kind;
    auto meta = creator ? fmt::format("Channel · {}", match.subtitle) : fmt::format("{} · {}", match.subtitle, format_timecode(match.duration));
    auto glyph = creator ? Icon::Person : Icon::Video;
    auto tile = Flex::row()
                    .width(Length::px(34))
                    .height(Length::px(34))
                    .align(Align::Center)
                    .justify(Justify::Center)
                    .style(BoxStyle::filled(theme.control_fill, theme.control_radius))
                    .with_child(icon(glyph, 16, theme.text_muted));
    auto texts = Flex::column().grow(1).gap(2).with_child(text_label(theme, match.title, 14)).with_child(colored_label(std::move(meta), 12, theme.text_muted));
    return Flex::row()
        .with_id(fmt::format("palette_row_{}", index))
        .width(Length::fill())
        .padding_each(12, 9, 12, 9)
        .gap(12)
        .align(Align::Center)
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.row_radius))
        .with_action(queue, UiAction::open_search_result(match.link))
        .with_label(fmt::format("Open search result: {}", match.title))
        .with_child(std::move(tile))
        .with_child(std::move(texts))
        .with_child(icon(Icon::Onward, 14, theme.text_muted));
}

Flex input_row(Theme const& theme, TextCellHandle query_cell)
{
    auto field = widget::TextInput::from_state(std::move(query_cell))
                     .with_id("palette_input")
                     .with_kind(TextInputKind::Search)
                     .with_fill_width(true)
                     .with_font_size(16)
                     .with_placeholder("Search videos and channels…");
    BoxStyle look = BoxStyle::filled(theme.control_fill, theme.row_radius);
    look.border = Border { 1, theme.strong_border };
    auto hint = Flex::row()
                    .padding_each(7, 3, 7, 3)
                    .style(BoxStyle::filled(theme.control_fill, theme.control_radius))
                    .with_child(colored_label("Ctrl K", 11, theme.text_muted));
    return Flex::row()
        .width(Length::fill())
        .height(Length::px(46))
        .padding_each(14, 0, 14, 0)
        .gap(10)
        .align(Align::Center)
        .style(look)
        .with_child(icon(Icon::Search, 18, theme.icon_accent))
        .with_child(Flex::row().grow(1).with_child(std::move(field)))
        .with_child(std::move(hint));
}

}

Flex palette_results(Theme const& theme, OperationQueueHandle const& queue, std::string_view query, std::vector<PaletteMatch> const& matches)
{
    auto column = Flex::column().width(Length::fill()).gap(2);
    if (text::trim(query).empty())
        return std::move(column).with_child(state_column(theme, "Type to search across Vexa"));
    if (matches.empty())
        return std::move(column).with_child(state_column(theme, "No matches"));
    for (std::size_t i = 0; i < matches.size() && i < palette_row_limit; ++i)
        column.with_child(result_row(theme, queue, matches[i], i));
    return column;
}

std::optional<Flex> action_palette(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, TextCellHandle query_cell)
{
    if (!model.palette_open)
        return std::nullopt;
    // The model answers the content search itself, read in place: nothing of it is copied.
    auto backend = ModelBackend::borrowing(model);
    auto matches = search_palette_matches(backend, model, model.palette_query, palette_row_limit);

    BoxStyle card_look = BoxStyle::filled(theme.panel_fill, theme.card_radius);
    card_look.border = Border { 1, theme.divider };
    auto card = Flex::column()
                    .with_id("palette_card")
                    .width(Length::percent(0.94f))
                    .max_width(560)
                    .padding(14)
                    .gap(10)
                    .style(card_look)
                    .with_action(queue, UiAction::open_palette())
                    .with_label("Action search dialog")
                    .with_child(input_row(theme, std::move(query_cell)))
                    .with_child(divider(theme))
                    .with_child(palette_results(theme, queue, model.palette_query, matches));
    return Flex::column()
        .with_id("palette_scrim")
        .width(Length::fill())
        .height(Length::fill())
        .padding_each(0, 96, 0, 0)
        .align(Align::Center)
        .justify(Justify::Start)
        .style(BoxStyle::filled(Color::rgba(0, 0, 0, 140), 0))
        .with_action(queue, UiAction::close_palette())
        .with_label("Close action search")
        .with_child(std::move(card));
}

}
