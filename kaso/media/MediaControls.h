#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaso/media/MediaCommand.h"
#include "kaso/media/NowPlaying.h"

namespace kaso::media {

enum class ControlsStatus : unsigned char {
    Stopped,
    Playing,
    Paused,
};

// The desktop's media controls: an MPRIS player ("org.mpris.MediaPlayer2." and the service name)
// on the session bus, through GDBus. Nothing here blocks: connecting, owning the name and
// answering the desktop's calls all happen inside `pump`, which the UI thread calls once a frame;
// no GLib main loop runs. Where no session bus exists the controls log that once and go on doing
// nothing, and the player works as before.
class MediaControls {
public:
    // Starts connecting. `display_name` is the player's Identity.
    static std::unique_ptr<MediaControls> start(std::string service_name, std::string display_name);

    MediaControls(MediaControls const&) = delete;
    MediaControls& operator=(MediaControls const&) = delete;
    // Releases the name and the connection before returning. A connection attempt still under way
    // is waited for (two seconds at most), never cut short.
    ~MediaControls();

    // The item shown; a change is announced, the same item again is not.
    void set_now_playing(std::optional<NowPlaying>);
    // The status and the playhead the desktop sees; a change of status is announced.
    void set_playback(ControlsStatus, uint64_t position_ms);
    // Announces a jump of the playhead (MPRIS "Seeked").
    void notify_seeked(uint64_t position_ms);

    // Runs what the bus delivered and returns the commands received since the last call.
    std::vector<MediaCommand> pump();

    // The name is owned on the bus.
    bool is_published() const;
    // Connecting failed or the bus went away; the controls do nothing from now on.
    bool is_unavailable() const;
    std::string const& bus_name() const;

    // Internal: everything the bus callbacks reach (public only so they can name it).
    struct State;

private:
    explicit MediaControls(std::unique_ptr<State>);

    std::unique_ptr<State> m_state;
};

}
