#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "src/backend/BackendError.h"
#include "src/backend/FetchRequest.h"
#include "src/backend/PlaybackSource.h"
#include "src/model/Comment.h"
#include "src/model/Playlist.h"

namespace vexa {

// The one interface through which the program asks a catalogue source for videos, creators,
// playlists, comments and playable streams. An implementation is used from the thread that
// made it only.
class ContentBackend {
public:
    virtual ~ContentBackend() = default;

    virtual std::string name() const = 0;
    virtual BackendResult<FetchResult> search(std::string_view query) = 0;
    virtual BackendResult<FetchResult> video(std::string_view id) = 0;
    virtual BackendResult<FetchResult> channel(std::string_view id) = 0;
    virtual BackendResult<FetchResult> related(std::string_view id) = 0;
    virtual BackendResult<FetchResult> trending() = 0;

    // Defaults: no playlists, no comments, a popular topic is a plain search, no direct stream.
    virtual BackendResult<std::pair<Playlist, std::vector<Video>>> playlist(std::string_view id);
    virtual BackendResult<std::vector<Comment>> comments(std::string_view id);
    virtual BackendResult<FetchResult> popular_search(std::string_view topic);
    virtual BackendResult<PlaybackSource> resolve_source(std::string_view id);
    // The uploads of each channel merged round-robin, in the order of the ids.
    virtual BackendResult<FetchResult> subscription_feed(std::vector<std::string> const& channel_ids);
    virtual BackendResult<FetchResult> fetch(FetchRequest request);
};

// Takes the first remaining video of each list in turn until every list is empty.
// (a1, a2, a3), (b1), (c1, c2) give a1, b1, c1, a2, c2, a3; duplicates stay.
std::vector<Video> interleave_round_robin(std::vector<std::vector<Video>> lists);

}
