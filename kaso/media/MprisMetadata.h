#pragma once

// Internal to kaso/media: the MPRIS shapes of what the media controls publish.

#include <cstdint>
#include <string>

#include <gio/gio.h>

#include "kaso/media/NowPlaying.h"

namespace kaso::media::mpris {

inline constexpr char const* object_path = "/org/mpris/MediaPlayer2";
inline constexpr char const* root_interface = "org.mpris.MediaPlayer2";
inline constexpr char const* player_interface = "org.mpris.MediaPlayer2.Player";
inline constexpr char const* no_track = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// The introspection data of both interfaces.
char const* introspection_xml();

// The object path naming the item, one for each video id; the no-track path when there is none.
std::string track_id(NowPlaying const* item);

// Milliseconds as the microseconds MPRIS counts in, clamped rather than wrapped past INT64_MAX.
int64_t microseconds(uint64_t milliseconds);

// The Metadata property ("a{sv}"), a floating reference.
GVariant* metadata(NowPlaying const* item);

// "org.mpris.MediaPlayer2." and the service name reduced to the characters a bus name allows.
std::string bus_name(std::string const& service_name);

}
