#pragma once

#include <optional>
#include <string_view>

#include "src/backend/InnertubeJson.h"

#include "src/backend/InnertubeRole.h"

// The mapping of innertube's item renderers, older and current shapes alike, to the model's
// records. Every missing or mistyped field takes its default; only an item without an id is
// dropped.
namespace vexa::innertube {

// videoRenderer, compactVideoRenderer, gridVideoRenderer or playlistVideoRenderer (the inner
// object). The thumbnail is always the standard address of the id.
std::optional<Video> video_from_renderer(JsonValue renderer, std::string_view thumbnail_origin);
// lockupViewModel with contentType VIDEO (or none).
std::optional<Video> video_from_lockup(JsonValue lockup, std::string_view thumbnail_origin);
// lockupViewModel with contentType PLAYLIST.
std::optional<Playlist> playlist_from_lockup(JsonValue lockup);
std::optional<Playlist> playlist_from_renderer(JsonValue renderer);
std::optional<Channel> channel_from_renderer(JsonValue renderer);

// Whether a list of metadata badges holds the verified (or verified artist) badge.
bool verified_badge(JsonValue badges);

// Every item under `root` (an array of section contents or one container), in document order,
// walking the known containers; unknown keys are skipped.
SearchItems collect_items(JsonValue root, std::string_view thumbnail_origin);

}
