#pragma once

#include <optional>
#include <string>

#include "kaso/ui/VideoPlayer.h"
#include "src/app/ApplyWorkerMessage.h"
#include "src/model/VexaModel.h"

namespace vexa {

// What the player does as the route and the playhead move: it asks for the stream of a new
// Watch route, opens the stream that arrives, skips SponsorBlock segments, tracks the Show
// segment under the playhead and tells when the video on screen has finished. It keeps the
// player's bookkeeping; the model and the player are passed to each call.
class PlaybackPolicy {
public:
    // The player follows the route (live application only): a new Watch route pauses it and
    // answers the stream request to send; leaving Watch pauses it.
    std::optional<WorkerRequest> follow_route(VexaModel const& model, kaso::ui::VideoPlayer& player, bool live);
    // Opens a resolved stream and plays it. The desktop media controls are enabled, when the
    // stream asks for it, only once a stream really opened; `apply_state` then remembers it.
    // Answers whether the stream opened.
    bool open_stream(StreamToOpen const& stream, VexaModel const& model, kaso::ui::VideoPlayer& player, WorkerApplyState& apply_state);
    // A Skip segment under the playhead of the Watch video: seek past it with a notice.
    bool skip_sponsor_segment(VexaModel& model, kaso::ui::VideoPlayer& player) const;
    // The end of the Show segment under the playhead; answers whether it changed.
    bool track_skip_target(VexaModel const& model);
    // The video to go on to when autoplay is on and the Watch video has finished, by the
    // catalogue's duration or the open stream's own.
    std::optional<std::string> autoplay_target(VexaModel const& model, kaso::ui::VideoPlayer const& player) const;
    // Whether the loaded video is the Watch route's (the playback rules apply).
    bool plays_route(VexaModel const& model) const;
    // Frames keep coming while the live application waits for the Watch route's stream.
    bool awaits_stream(VexaModel const& model, bool live) const;

    void set_loaded_video(std::string video_id) { m_loaded_video = std::move(video_id); }
    std::optional<std::string> const& stream_requested_for() const { return m_stream_requested_for; }
    std::optional<std::string> const& loaded_video() const { return m_loaded_video; }
    std::optional<double> skip_target() const { return m_skip_target; }

private:
    std::optional<std::string> m_stream_requested_for; // the video whose stream was requested
    std::optional<std::string> m_loaded_video;         // the video whose stream is open
    std::optional<double> m_skip_target;               // seconds: end of the Show segment under the playhead
};

// The duration in seconds of the Watch route's video when the model knows it.
std::optional<double> watch_video_duration(VexaModel const& model);

}
