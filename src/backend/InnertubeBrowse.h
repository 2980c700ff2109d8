#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "src/backend/InnertubeJson.h"

#include "src/backend/BackendError.h"
#include "src/backend/InnertubeRole.h"

// The readers of innertube's "search" and "browse" answers.
namespace vexa::innertube {

// Every item of a search answer, in order.
SearchItems search_answer(JsonValue answer, std::string_view thumbnail_origin);

// The videos of the trending page; none when the page is gone.
std::vector<Video> trending_answer(JsonValue answer, std::string_view thumbnail_origin);

// The creator and the first page of uploads. Uploads that name no creator carry the channel's.
// Fails with the page's alert, else "channel not found", when the answer has no contents.
BackendResult<std::pair<Channel, std::vector<Video>>> channel_answer(JsonValue answer, std::string_view requested_id, std::string_view thumbnail_origin);

// The playlist and the first page of its videos. Fails with the page's alert.
BackendResult<std::pair<Playlist, std::vector<Video>>> playlist_answer(JsonValue answer, std::string_view requested_id, std::string_view thumbnail_origin);

}
