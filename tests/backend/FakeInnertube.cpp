#include "tests/backend/FakeInnertube.h"

namespace vexa::testing {

void InnertubeScript::release()
{
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
    }
    m_released_signal.notify_all();
}

void InnertubeScript::wait_until_released()
{
    std::unique_lock lock(m_mutex);
    m_released_signal.wait(lock, [&] { return m_released; });
}

FakeInnertube::FakeInnertube(std::shared_ptr<InnertubeScript> script)
    : m_script(std::move(script))
{
    ++m_script->made;
}

FakeInnertube::~FakeInnertube() { ++m_script->destroyed; }

BackendResult<FetchResult> FakeInnertube::search(std::string_view)
{
    if (m_script->hold_search) {
        m_script->search_entered = true;
        m_script->wait_until_released();
    }
    return m_script->search;
}

BackendResult<FetchResult> FakeInnertube::popular_search(std::string_view topic)
{
    auto found = m_script->popular.find(std::string(topic));
    if (found == m_script->popular.end())
        return FetchedVideos {};
    return found->second;
}

std::function<BackendResult<std::unique_ptr<InnertubeRole>>(ServiceSettings const&)> innertube_maker(std::shared_ptr<InnertubeScript> script)
{
    return [script](ServiceSettings const&) -> BackendResult<std::unique_ptr<InnertubeRole>> {
        return std::make_unique<FakeInnertube>(script);
    };
}

std::function<BackendResult<std::unique_ptr<ContentBackend>>(ServiceSettings const&)> primary_maker(std::shared_ptr<InnertubeScript> script)
{
    return [script](ServiceSettings const&) -> BackendResult<std::unique_ptr<ContentBackend>> {
        return std::make_unique<FakeInnertube>(script);
    };
}

Video test_video(std::string id, std::string channel_id, std::string channel_name)
{
    Video video;
    video.id = std::move(id);
    video.seed = video.id;
    video.channel_id = std::move(channel_id);
    video.channel_name = std::move(channel_name);
    return video;
}

}
