#include "src/screens/Chrome.h"

#include "kaso/ui/TextInput.h"
#include "src/screens/Builders.h"
#include "src/screens/Cards.h"
#include "src/screens/RouteTable.h"

namespace vexa {

using namespace kaso::ui;

namespace {

Flex square_button(Theme const& theme, std::string id, Icon glyph)
{
    BoxStyle normal;
    normal.radius = theme.control_radius;
    return Flex::row()
        .with_id(std::move(id))
        .width(Length::px(40))
        .height(Length::px(40))
        .align(Align::Center)
        .justify(Justify::Center)
        .style(normal)
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.control_radius))
        .with_child(icon(glyph, 20, theme.text));
}

BoxStyle bordered(Color fill, Color border, double radius)
{
    BoxStyle style = BoxStyle::filled(fill, radius);
    style.border = Border { 1, border };
    return style;
}

std::string lowercase(std::string text)
{
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

}

Flex top_bar(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue, bool has_back, TextCellHandle search_text, bool compact,
    ControlBindings const& bindings)
{
    auto bar = Flex::row()
                   .width(Length::fill())
                   .height(Length::px(66))
                   .padding_each(20, 0, 20, 0)
                   .gap(16)
                   .align(Align::Center)
                   .style(bordered(theme.bar_fill, theme.divider, 0));

    auto toggle = square_button(theme, "nav_toggle", Icon::Menu).with_label("Show or hide navigation");
    bar.with_child(with_control_if(std::move(toggle), bindings.sidebar_toggle ? bindings.sidebar_toggle() : std::nullopt));
    if (has_back)
        bar.with_child(square_button(theme, "back_btn", Icon::Back).with_action(queue, UiAction::go_back()).with_label("Go back"));

    if (compact) {
        bar.with_child(icon_button(theme, queue, Icon::Search, UiAction::open_palette()).with_id("compact_search"));
    } else {
        auto field = widget::TextInput::from_state(std::move(search_text))
                         .with_id("search_input")
                         .with_kind(TextInputKind::Search)
                         .with_fill_width(true)
                         .with_font_size(15)
                         .with_placeholder("Search");
        bar.with_child(Flex::row()
                           .grow(1)
                           .max_width(560)
                           .height(Length::px(42))
                           .padding_each(16, 0, 16, 0)
                           .gap(10)
                           .align(Align::Center)
                           .style(bordered(theme.control_fill, theme.divider, theme.control_radius))
                           .with_child(icon(Icon::Search, 18, theme.text_muted))
                           .with_child(std::move(field)));
    }
    bar.with_child(fill_spacer());

    auto right = Flex::row().gap(8).align(Align::Center);
    if (!compact && !model.status_live) {
        bool connecting = model.status_label.find("connect") != std::string::npos;
        Color dot = connecting ? theme.connecting : theme.text_muted;
        right.with_child(Flex::row()
                             .gap(6)
                             .padding_each(10, 6, 10, 6)
                             .align(Align::Center)
                             .style(BoxStyle::filled(theme.control_fill, theme.control_radius))
                             .with_child(Flex::row().width(Length::px(8)).height(Length::px(8)).style(BoxStyle::filled(dot, 4)))
                             .with_child(colored_label(connecting ? "Connecting…" : "Offline", 12, theme.text_muted)));
    }
    bar.with_child(std::move(right));
    bar.with_child(initials_avatar("You"));
    return bar;
}

Flex nav_item(Theme const& theme, Icon glyph, std::string const& label, Route route, bool active, bool wide, ControlBindings const& bindings)
{
    Color ink = active ? contrast_text_color(theme.highlight) : theme.text_muted;
    BoxStyle normal;
    normal.radius = theme.card_radius;
    if (active)
        normal.fill = theme.highlight;
    auto hover = BoxStyle::filled(active ? theme.highlight : theme.control_fill_hover, theme.card_radius);
    auto item = wide ? Flex::row().padding_each(14, 12, 14, 12).gap(12).align(Align::Center)
                     : Flex::column().padding_each(4, 8, 4, 8).gap(4).align(Align::Center).justify(Justify::Center);
    item.with_id("nav_" + lowercase(label)).width(Length::fill()).style(normal).hover_style(hover);
    item.with_child(icon(glyph, wide ? 21 : 22, ink)).with_child(colored_label(label, wide ? 14 : 11, ink));
    item.with_label(label);
    return with_control_if(std::move(item), bindings.navigation ? bindings.navigation(route) : std::nullopt);
}

Flex nav_rail(Route const& current, double rail_width, Theme const& theme, ControlBindings const& bindings)
{
    auto active = route_rail_key(current);
    bool wide = rail_width > 86;
    auto rail = Flex::column()
                    .width(Length::px(float(rail_width)))
                    .height(Length::fill())
                    .padding_each(8, 14, 8, 14)
                    .gap(8)
                    .align(Align::Center)
                    .style(bordered(theme.bar_fill, theme.divider, 0));
    rail.with_child(Flex::column()
                        .width(Length::px(44))
                        .height(Length::px(44))
                        .align(Align::Center)
                        .justify(Justify::Center)
                        .style(BoxStyle::filled(theme.icon_accent, theme.card_radius))
                        .with_child(icon(Icon::Video, 22, Color { 1, 1, 1, 1 })));
    if (wide)
        rail.with_child(colored_label("Vexa", 16, theme.text));
    rail.with_child(fixed_box(1, 6));
    RouteKind const items[] = { RouteKind::Home, RouteKind::Trending, RouteKind::Subscriptions, RouteKind::Queue, RouteKind::History };
    for (auto kind : items) {
        auto const& info = route_kind_info(kind);
        rail.with_child(nav_item(theme, info.icon, info.rail_label, Route { kind, {} }, active == info.key, wide, bindings));
    }
    rail.with_child(fill_spacer());
    auto const& settings = route_kind_info(RouteKind::Settings);
    rail.with_child(nav_item(theme, settings.icon, settings.rail_label, Route::settings(), active == settings.key, wide, bindings));
    return rail;
}

}
