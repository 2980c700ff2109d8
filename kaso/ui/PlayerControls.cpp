#include "kaso/ui/PlayerControls.h"

#include <algorithm>
#include <cmath>

#include "kaso/ui/Scene.h"
#include "kaso/ui/Theme.h"
#include "kaso/ui/format/Format.h"

namespace kaso::ui {

namespace {

constexpr double bar_height = 48;
constexpr double button_size = 36;
constexpr double menu_item_height = 32;
constexpr double menu_width = 140;

}

PlayerControlsLayout PlayerControlsLayout::for_rect(Rect player, std::size_t menu_options)
{
    PlayerControlsLayout layout;
    double top = std::max(player.y0, player.y1 - bar_height);
    layout.bar = { player.x0, top, player.x1, player.y1 };
    double middle = (top + player.y1) / 2;
    layout.play_button = Rect::from_origin_size(player.x0 + 8, middle - button_size / 2, button_size, button_size);
    layout.settings_button = Rect::from_origin_size(player.x1 - 8 - button_size, middle - button_size / 2, button_size, button_size);
    layout.time_label = Rect::from_origin_size(layout.play_button.x1 + 8, middle - 9, 110, 18);
    double timeline_x0 = layout.time_label.x1 + 8;
    double timeline_x1 = std::max(timeline_x0, layout.settings_button.x0 - 12);
    layout.timeline = { timeline_x0, middle - 8, timeline_x1, middle + 8 };
    double menu_height = menu_item_height * double(menu_options) + 8;
    layout.menu = { layout.settings_button.x1 - menu_width, top - menu_height - 4, layout.settings_button.x1, top - 4 };
    for (std::size_t i = 0; i < menu_options; ++i) {
        double y = layout.menu.y0 + 4 + menu_item_height * double(i);
        layout.menu_items.push_back({ layout.menu.x0, y, layout.menu.x1, y + menu_item_height });
    }
    return layout;
}

PlayerControlsLayout::Hit PlayerControlsLayout::hit(Point point, bool menu_open) const
{
    if (menu_open) {
        for (std::size_t i = 0; i < menu_items.size(); ++i)
            if (menu_items[i].contains(point))
                return { Part::MenuItem, 0, i };
    }
    if (play_button.contains(point))
        return { Part::PlayButton, 0, 0 };
    if (settings_button.contains(point))
        return { Part::SettingsButton, 0, 0 };
    if (timeline.contains(point) && timeline.width() > 0)
        return { Part::Timeline, std::clamp((point.x - timeline.x0) / timeline.width(), 0.0, 1.0), 0 };
    if (bar.contains(point))
        return { Part::Bar, 0, 0 };
    return { Part::Video, 0, 0 };
}

void paint_player_controls(Scene& scene, PlayerControlsLayout const& layout, PlayerControlsState const& state, Theme const& theme)
{
    Color white { 1, 1, 1, 1 };
    scene.fill_rect(layout.bar, Color { 0, 0, 0, 0.55f });

    // Play or pause.
    auto const& b = layout.play_button;
    double cx = (b.x0 + b.x1) / 2, cy = (b.y0 + b.y1) / 2;
    if (state.playing) {
        scene.fill_rect({ cx - 7, cy - 8, cx - 2, cy + 8 }, white, 1);
        scene.fill_rect({ cx + 2, cy - 8, cx + 7, cy + 8 }, white, 1);
    } else {
        StrokePath triangle;
        triangle.subpaths = { { { cx - 5, cy - 8 }, { cx + 8, cy }, { cx - 5, cy + 8 } } };
        triangle.closed = { true };
        triangle.color = white;
        triangle.width = 2.5;
        scene.stroke_path(std::move(triangle));
    }

    // Time.
    auto duration = state.duration_ms.value_or(0);
    TextStyle time_style;
    time_style.size = 12.5f;
    time_style.color = white;
    scene.draw_text(format::timecode(double(state.position_ms) / 1000.0) + " / " + format::timecode(double(duration) / 1000.0), time_style,
        { layout.time_label.x0, layout.time_label.y0 });

    // Timeline: the track, the played part, the marks, the playhead.
    auto const& t = layout.timeline;
    double track_y0 = (t.y0 + t.y1) / 2 - 2, track_y1 = track_y0 + 4;
    scene.fill_rect({ t.x0, track_y0, t.x1, track_y1 }, Color { 1, 1, 1, 0.3f }, 2);
    double played = duration > 0 ? std::clamp(double(state.position_ms) / double(duration), 0.0, 1.0) : 0.0;
    for (auto const& mark : state.marks) {
        // Marks outside the timeline are cut to it; an empty or reversed one is not drawn.
        if (!std::isfinite(mark.start) || !std::isfinite(mark.end))
            continue;
        double start = std::clamp(mark.start, 0.0, 1.0), end = std::clamp(mark.end, 0.0, 1.0);
        if (end <= start)
            continue;
        scene.fill_rect({ t.x0 + start * t.width(), track_y0, t.x0 + end * t.width(), track_y1 }, mark.color);
    }
    scene.fill_rect({ t.x0, track_y0, t.x0 + played * t.width(), track_y1 }, theme.highlight, 2);
    scene.fill_circle({ t.x0 + played * t.width(), (track_y0 + track_y1) / 2 }, 6, white);

    // Settings.
    auto const& s = layout.settings_button;
    StrokePath gear;
    double gx = (s.x0 + s.x1) / 2, gy = (s.y0 + s.y1) / 2;
    std::vector<Point> ring;
    for (int i = 0; i <= 16; ++i) {
        double angle = i * M_PI / 8;
        double radius = (i % 2 == 0) ? 9 : 6.5;
        ring.push_back({ gx + radius * std::cos(angle), gy + radius * std::sin(angle) });
    }
    gear.subpaths = { ring };
    gear.closed = { true };
    gear.color = white;
    gear.width = 1.8;
    scene.stroke_path(std::move(gear));

    if (state.menu_open && !state.menu_options.empty()) {
        scene.fill_rect(layout.menu, Color { 0.08f, 0.08f, 0.1f, 0.95f }, 8);
        TextStyle item_style;
        item_style.size = 13;
        for (std::size_t i = 0; i < state.menu_options.size() && i < layout.menu_items.size(); ++i) {
            auto const& item = layout.menu_items[i];
            bool selected = i == state.selected_option;
            if (selected)
                scene.fill_rect({ item.x0 + 4, item.y0, item.x1 - 4, item.y1 }, Color { 1, 1, 1, 0.12f }, 6);
            item_style.color = selected ? theme.highlight : white;
            item_style.weight = selected ? FontWeight::Semibold : FontWeight::Regular;
            scene.draw_text(state.menu_options[i], item_style, { item.x0 + 14, item.y0 + 8 });
        }
    }
}

}
