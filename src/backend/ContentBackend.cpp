#include "src/backend/ContentBackend.h"

namespace vexa {

BackendResult<std::pair<Playlist, std::vector<Video>>> ContentBackend::playlist(std::string_view)
{
    return backend_error("this backend cannot resolve playlists");
}

BackendResult<std::vector<Comment>> ContentBackend::comments(std::string_view) { return std::vector<Comment> {}; }

BackendResult<FetchResult> ContentBackend::popular_search(std::string_view topic) { return search(topic); }

BackendResult<PlaybackSource> ContentBackend::resolve_source(std::string_view)
{
    return backend_error("this backend cannot resolve a playback source");
}

BackendResult<FetchResult> ContentBackend::subscription_feed(std::vector<std::string> const& channel_ids)
{
    if (channel_ids.empty())
        return FetchedVideos {};
    std::vector<std::vector<Video>> contributed;
    for (auto const& id : channel_ids) {
        auto answer = channel(id);
        if (!answer)
            continue;
        if (auto* page = std::get_if<FetchedChannel>(&*answer); page && !page->uploads.empty())
            contributed.push_back(std::move(page->uploads));
    }
    if (contributed.empty())
        return backend_error("no uploads across subscriptions");
    return FetchedVideos { interleave_round_robin(std::move(contributed)) };
}

BackendResult<FetchResult> ContentBackend::fetch(FetchRequest request)
{
    switch (request.kind) {
    case FetchRequest::Kind::Search: return search(request.text);
    case FetchRequest::Kind::Video: return video(request.text);
    case FetchRequest::Kind::Channel: return channel(request.text);
    case FetchRequest::Kind::Related: return related(request.text);
    case FetchRequest::Kind::Trending: return trending();
    case FetchRequest::Kind::SubscriptionFeed: return subscription_feed(request.channel_ids);
    }
    return trending();
}

std::vector<Video> interleave_round_robin(std::vector<std::vector<Video>> lists)
{
    std::vector<Video> merged;
    size_t total = 0;
    for (auto const& list : lists)
        total += list.size();
    merged.reserve(total);
    for (size_t round = 0;; ++round) {
        bool yielded = false;
        for (auto& list : lists) {
            if (round < list.size()) {
                merged.push_back(std::move(list[round]));
                yielded = true;
            }
        }
        if (!yielded)
            break;
    }
    return merged;
}

}
