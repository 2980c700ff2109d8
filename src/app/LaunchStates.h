#pragma once

#include <string>

#include "src/app/AppState.h"

namespace vexa {

// The states a launch flag or a diagnostic mode puts the application in, over its state. None of
// them makes the application live, so none sends a request beyond enrichment and searches.
namespace launch_state {

// The clip the demonstration states play; the synthesized engine needs no network for it.
inline constexpr char const* demo_clip_address = "https://demo.kaso.localhost/clip.mp4";

// "--empty": no videos and an offline status, on Home. The model keeps the store's owner.
void show_empty(AppState& state);
// "--loading": no videos, the feed loading, on Home.
void show_loading(AppState& state);
// "--device-sync": Settings scrolled to the demonstration devices.
void show_device_sync(AppState& state);
// "--palette": the palette open on the query.
void open_palette(AppState& state, std::string query);
// "--play-demo": the first video (or "vid_donut") playing the demonstration clip.
void play_demo(AppState& state);
// "--route": the route with no back stack; a Search route fills the search box.
void apply_route(AppState& state, Route route);
// A diagnostic mode's model, with a history that writes no file.
void use_model(AppState& state, VexaModel model);

}

}
