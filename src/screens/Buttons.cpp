#include "src/screens/Buttons.h"

#include <algorithm>

#include "src/screens/Builders.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr Icon queue_icon = Icon::List;

BoxStyle bordered(Color fill, Color border, double radius)
{
    auto style = BoxStyle::filled(fill, radius);
    style.border = Border { 1, border };
    return style;
}

// The ink and the two box styles of a button: filled with the highlight colour (hovered:
// `filled_hover`), or a bordered control.
struct ButtonLook {
    Color ink;
    BoxStyle normal;
    BoxStyle hover;
};

ButtonLook button_look(Theme const& theme, bool filled, Color filled_hover)
{
    if (filled) {
        auto [fill, text] = with_contrast_text_color(theme.highlight);
        return { text, BoxStyle::filled(fill, theme.control_radius), BoxStyle::filled(filled_hover, theme.control_radius) };
    }
    return { theme.text, bordered(theme.control_fill, theme.divider, theme.control_radius),
        bordered(theme.control_fill_hover, theme.divider, theme.control_radius) };
}

}

std::pair<Color, Color> with_contrast_text_color(Color fill) { return { fill, contrast_text_color(fill) }; }

Flex action_button(Theme const& theme, OperationQueueHandle const& queue, std::string label, Icon glyph, UiAction action,
    ButtonKind kind)
{
    auto look = button_look(theme, kind == ButtonKind::Primary, theme.highlight);
    auto button = Flex::row().gap(8).padding_each(16, 9, 16, 9).align(Align::Center).style(look.normal).hover_style(look.hover);
    if (glyph != Icon::None)
        button.with_child(icon(glyph, 16, look.ink));
    button.with_child(colored_label(label, 14, look.ink));
    return std::move(button).with_action(queue, std::move(action)).with_label(std::move(label));
}

Flex chip_button(Theme const& theme, OperationQueueHandle const& queue, std::string id, std::string label, UiAction action, ChipState state)
{
    bool active = state == ChipState::Active;
    return Flex::row()
        .with_id(std::move(id))
        .padding_each(13, 8, 13, 8)
        .align(Align::Center)
        .justify(Justify::Center)
        .style(bordered(theme.control_fill, active ? theme.accent : theme.divider, theme.control_radius))
        .hover_style(BoxStyle::filled(theme.control_fill_hover, theme.control_radius))
        .with_child(colored_label(label, 12.5f, active ? theme.accent : theme.text))
        .with_action(queue, std::move(action))
        .with_label(std::move(label));
}

Flex queue_button(VexaModel const& model, Theme const& theme, std::string_view video_id, ControlBindings const& bindings)
{
    bool queued = std::find(model.queue.begin(), model.queue.end(), video_id) != model.queue.end();
    std::string label = queued ? "In queue" : "Add to queue";
    auto look = button_look(theme, queued, theme.highlight_fill_hover);
    auto button = Flex::row()
        .with_id("queue_btn_" + std::string(video_id))
        .gap(6)
        .padding_each(12, 8, 12, 8)
        .align(Align::Center)
        .style(look.normal)
        .hover_style(look.hover)
        .with_label(label + ": shared watch queue")
        .with_child(icon(queue_icon, 15, look.ink))
        .with_child(colored_label(label, 12.5f, look.ink));
    return with_control_if(std::move(button), bindings.video_queue ? bindings.video_queue(model, video_id) : std::nullopt);
}

}
