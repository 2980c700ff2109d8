#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kaso/ui/Color.h"
#include "kaso/ui/Geometry.h"

namespace kaso::ui {

class Scene;
struct Theme;

// A stretch of the timeline to mark (a sponsored segment): fractions of the duration.
struct TimelineMark {
    double start { 0 };
    double end { 0 };
    Color color;
};

// Where the player's controls sit inside its rectangle, and what a point there means. The
// controls are a strip along the bottom: the play button, the elapsed and total time, the
// timeline, and the settings button, whose menu of quality options opens above it.
struct PlayerControlsLayout {
    Rect bar;
    Rect play_button;
    Rect timeline;
    Rect time_label;
    Rect settings_button;
    Rect menu;
    std::vector<Rect> menu_items;

    static PlayerControlsLayout for_rect(Rect player, std::size_t menu_options);

    enum class Part {
        Video,
        PlayButton,
        Timeline,
        SettingsButton,
        MenuItem,
        Bar,
    };
    struct Hit {
        Part part { Part::Video };
        double fraction { 0 };       // along the timeline, for Part::Timeline
        std::size_t menu_index { 0 }; // for Part::MenuItem
    };
    Hit hit(Point point, bool menu_open) const;
};

// What the controls show this frame.
struct PlayerControlsState {
    bool playing { false };
    uint64_t position_ms { 0 };
    std::optional<uint64_t> duration_ms;
    std::vector<TimelineMark> marks;
    std::vector<std::string> menu_options; // quality labels
    std::size_t selected_option { 0 };
    bool menu_open { false };
};

void paint_player_controls(Scene& scene, PlayerControlsLayout const& layout, PlayerControlsState const& state, Theme const& theme);

}
