#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kaso/actions/ActionEmitter.h"

namespace vexa {

struct VexaModel;

// The Watch page's play-pause and share controls, bound to the actions "play-pause" and "share"
// of the shown video's resource ("vexa.current:<id>") in a freshly built action tree. They exist
// only while the route is Watch of a video the model knows: leaving Watch clears them, and moving
// to another video replaces them, dropping whatever their backlogs still held. UI thread only.
class WatchControls {
public:
    static constexpr char const* play_pause_control = "vexa.watch.play-pause";
    static constexpr char const* share_control = "vexa.watch.share";

    // Follows the route: nothing changes while it stays on the video the controls were built for.
    void refresh(VexaModel const& model);

    kaso::actions::ActionEmitter* play_pause() { return m_play_pause ? &*m_play_pause : nullptr; }
    kaso::actions::ActionEmitter* share() { return m_share ? &*m_share : nullptr; }
    std::optional<std::string> const& bound_to() const { return m_bound_to; }

    // The oldest waiting invocation of play-pause, then of share.
    std::optional<kaso::actions::ControlInvocation> take();
    // The controls under their ids, play-pause first; only those that exist.
    std::vector<kaso::actions::ControlBinding> bindings() const;
    void refresh_availability(kaso::actions::ActionAvailability const& availability);

private:
    void clear();

    std::optional<kaso::actions::ActionEmitter> m_play_pause;
    std::optional<kaso::actions::ActionEmitter> m_share;
    std::optional<std::string> m_bound_to; // the video id both emitters were built for
};

}
