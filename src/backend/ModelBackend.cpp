#include "src/backend/ModelBackend.h"

#include <algorithm>

#include "src/backend/SampleCatalogue.h"

namespace vexa {

namespace {

std::vector<Video> copies(std::vector<Video const*> const& found)
{
    std::vector<Video> videos;
    videos.reserve(found.size());
    for (auto const* video : found)
        videos.push_back(*video);
    return videos;
}

}

BackendResult<FetchResult> ModelBackend::search(std::string_view query) { return FetchedVideos { copies(m_model->search_local(query)) }; }

BackendResult<FetchResult> ModelBackend::video(std::string_view id)
{
    auto const* known = m_model->video(id);
    if (!known)
        return backend_error("no sample video " + std::string(id));
    return FetchedVideo { *known };
}

BackendResult<FetchResult> ModelBackend::channel(std::string_view id)
{
    auto const* known = m_model->channel(id);
    if (!known)
        return backend_error("no sample channel " + std::string(id));
    return FetchedChannel { *known, copies(m_model->videos_of_channel(id)) };
}

BackendResult<FetchResult> ModelBackend::related(std::string_view id) { return FetchedVideos { copies(m_model->related_fallback(id)) }; }

BackendResult<FetchResult> ModelBackend::trending()
{
    auto videos = m_model->videos;
    std::ranges::stable_sort(videos, [](Video const& a, Video const& b) { return a.views > b.views; });
    return FetchedVideos { std::move(videos) };
}

std::unique_ptr<ContentBackend> sample_backend() { return std::make_unique<ModelBackend>(sample_catalogue()); }

}
