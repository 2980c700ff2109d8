#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaso/media/MediaControls.h"
#include "kaso/media/MediaEngine.h"
#include "kaso/ui/Image.h"
#include "kaso/ui/PlayerControls.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui {

// A setting of the player's settings menu as the application hands it over: its id (reported
// back with each choice), its label, the option labels in menu order and the chosen one, and
// the two fixed values the runtime's setting record carries beside them.
struct PlayerSetting {
    std::string id;    // "resolution"
    std::string label; // "Resolution"
    std::vector<std::string> options;
    std::size_t selected { 0 }; // clamped to the last option
    uint32_t fixed_values[2] { 9, 1 };

    bool operator==(PlayerSetting const&) const = default;
};

// An option chosen in the player's settings menu.
struct SettingChoice {
    std::string setting_id; // the id of the setting it was chosen in
    std::size_t option_index { 0 };
};

// The video surface over one media engine: it opens, plays, pauses and seeks a source, shows the
// newest picture letterboxed in its rectangle, and reads the engine's events each frame. One
// player is shared, through a shared pointer on the UI thread, between the application and the
// widget that shows it.
class VideoPlayer final : public Widget {
public:
    static std::shared_ptr<VideoPlayer> with_engine(std::unique_ptr<media::MediaEngine> engine);

    // Replaces the engine; the old one is released (its pipeline stopped) before this returns.
    void set_engine(std::unique_ptr<media::MediaEngine> engine);
    media::MediaEngine* engine() { return m_engine.get(); }
    media::MediaEngine const* engine() const { return m_engine.get(); }

    ErrorOr<void> open(std::string const& address);
    void play();
    void pause();
    void seek_to_ms(uint64_t position_ms);
    // Shows the controls for a while, as a pointer movement over the video does.
    void reveal_controls();
    // Play when paused, pause when playing.
    void toggle_playback();

    // The timeline's marks, as fractions of the duration.
    void set_marks(std::vector<TimelineMark> marks);
    std::vector<TimelineMark> const& marks() const { return m_marks; }
    // The setting the settings menu offers; its selected index is clamped to the last option.
    void set_setting(PlayerSetting setting);
    PlayerSetting const& setting() const { return m_setting; }
    bool menu_open() const { return m_menu_open; }

    // The player mode: a byte that is off, on, or never set.
    std::optional<bool> mode() const { return m_mode; }
    void set_mode(bool on);

    // The desktop's media controls for this player, started once; later calls change nothing.
    void enable_mpris(std::string service_name, std::string display_name);
    bool mpris_enabled() const { return m_controls != nullptr; }
    void set_now_playing(std::optional<media::NowPlaying> now_playing);
    // Tells the desktop what plays and where, and carries out what it asked for. Once a frame.
    void pump_media_controls();

    // The settings-menu choices made since the last call, oldest first.
    std::vector<SettingChoice> take_setting_choices() { return std::exchange(m_setting_choices, {}); }

    // Set once the first picture of the open source has arrived; unset in a new player and
    // after every open.
    std::optional<uint64_t> ready_at_ms() const { return m_ready_at_ms; }
    bool is_ready() const { return m_ready_at_ms.has_value(); }
    // How many seeks have landed (the picture at their target arrived) since the player was made.
    // The position answers a pending seek's target at once; this tells when it really got there.
    uint64_t seeks_completed() const { return m_seeks_completed; }
    uint64_t position_ms() const;
    std::optional<uint64_t> duration_ms() const;
    bool is_playing() const;
    bool ended() const { return m_ended; }
    std::optional<std::string> const& last_error() const { return m_last_error; }
    bool controls_revealed() const;

    // Widget
    char const* type_name() const override { return "VideoPlayer"; }
    std::optional<std::string> widget_id() const override { return "video_player"; }
    void sync(SyncContext& context) override;
    void draw(Scene& scene, DrawContext& context) override;
    // Where a picture of `width` x `height` device pixels goes in `box` (logical pixels, `scale`
    // device pixels each) when it is copied pixel for pixel: centred, at whole device pixels,
    // inside the box. None when it would be scaled to fit.
    static std::optional<Rect> unscaled_picture_rect(Rect const& box, double scale, uint32_t width, uint32_t height);
    void handle_event(EventContext& context) override;
    CursorShape cursor_shape(Point point) const override;
    bool is_focusable() const override { return true; }
    void set_focus(bool focused) override;
    bool is_focused() const override { return m_focused; }
    std::optional<AccessNode> accessibility() const override;
    bool needs_animation_frame() const override;
    std::optional<uint64_t> next_wake_deadline() const override;
    bool needs_redraw() const override { return m_dirty; }
    void mark_drawn() override { m_dirty = false; }
    void set_redraw() { m_dirty = true; }

private:
    VideoPlayer() = default;

    std::unique_ptr<media::MediaEngine> m_engine;
    std::unique_ptr<media::MediaControls> m_controls; // none until enabled
    std::optional<uint64_t> m_ready_at_ms; // monotonic ms of the first picture
    bool m_ended { false };
    uint64_t m_seeks_completed { 0 };
    uint64_t m_controls_until_ms { 0 }; // monotonic; the controls show until then
    bool m_focused { false };
    bool m_dirty { true };
    bool m_menu_open { false };
    std::optional<bool> m_mode;
    uint64_t m_drawn_serial { 0 }; // the serial of the picture last drawn
    std::optional<uint64_t> m_picture_seen_ms; // monotonic ms at which sync last found a new picture
    ImageHandle m_picture;         // the picture last drawn
    std::vector<TimelineMark> m_marks;
    PlayerSetting m_setting; // no options until the application hands one over
    bool m_open_pending_ready { false };
    std::optional<std::string> m_last_error;
    uint64_t m_now_ms { 0 };
    std::vector<SettingChoice> m_setting_choices;
};

using SharedVideoPlayer = std::shared_ptr<VideoPlayer>;

}
