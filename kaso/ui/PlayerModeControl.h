#pragma once

#include <cstdint>
#include <optional>

namespace kaso::ui {

// The player-mode side of a widget that shows a video player, asked by the runtime.
class PlayerModeControl {
public:
    struct ModeState {
        uint32_t kind { 1 };
        uint32_t value { 0 };
        bool flag { false };
    };

    virtual ~PlayerModeControl() = default;
    // None until a mode was set; then off (false) or on (true).
    virtual std::optional<bool> player_mode() const = 0;
    virtual ModeState mode_state() const { return {}; }
    virtual void set_player_mode(bool on) = 0;
};

}
