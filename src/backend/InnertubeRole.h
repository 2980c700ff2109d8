#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "src/backend/ContentBackend.h"
#include "src/model/Channel.h"
#include "src/model/Playlist.h"
#include "src/model/Video.h"

namespace vexa {

struct ServiceSettings;

// The mixed answer of a search: videos, playlists and creators, each in result order.
struct SearchItems {
    std::vector<Video> videos;
    std::vector<Playlist> playlists;
    std::vector<Channel> channels;
};

// What the fetch worker asks of the innertube backend beyond the backend interface: the mixed
// search items and playlists. The worker uses one as its enrichment backend (search items,
// comments, playlists, popular topics) and, when yt-dlp cannot run, as its primary backend.
class InnertubeRole : public ContentBackend {
public:
    virtual BackendResult<SearchItems> search_items(std::string_view query) = 0;
    virtual BackendResult<std::pair<Playlist, std::vector<Video>>> fetch_playlist(std::string_view id) = 0;
};

// Makes the program's innertube backend (`InnertubeBackend`) over the settings' YouTube origin.
BackendResult<std::unique_ptr<InnertubeRole>> make_innertube_backend(ServiceSettings const& settings);

}
