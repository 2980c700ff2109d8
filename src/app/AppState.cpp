#include "src/app/AppState.h"

#include "src/backend/SampleCatalogue.h"

namespace vexa {

AppState::AppState(std::string owner_id, OwnerHistory history)
    : m_model(sample_catalogue())
    , m_history(std::move(history))
    , m_operations(OperationQueue::create())
    , m_device_sync(unavailable_device_sync())
    , m_search_text_cell(SharedText::create())
    , m_palette_text_cell(SharedText::create())
    , m_player(kaso::ui::VideoPlayer::with_engine(kaso::media::MediaEngine::create()))
    , m_owner_id(std::move(owner_id))
{
    m_model.owner_id = m_owner_id;
    if (m_history.store().needs_recovery())
        m_model.history_notice = OwnerHistory::recovery_notice;
}

AppState::AppState(std::string owner_id)
    : AppState(owner_id, OwnerHistory::in_memory(owner_id))
{
}

void AppState::make_live(kaso::ui::image_store::SharedImageStore images)
{
    m_live = true;
    replace_model(VexaModel::empty());
    m_model.owner_id = m_owner_id;
    m_model.feed_loading = true;
    m_image_store = std::move(images);
}

void AppState::replace_model(VexaModel model)
{
    auto notice = m_model.history_notice;
    m_model = std::move(model);
    if (notice)
        m_model.history_notice = std::move(notice);
    m_structure_dirty = true;
}

void AppState::set_history(OwnerHistory history)
{
    m_history = std::move(history);
    if (!m_history.store().needs_recovery() && m_model.history_notice == OwnerHistory::recovery_notice)
        m_model.history_notice.reset();
    m_structure_dirty = true;
}

void AppState::set_image_store(kaso::ui::image_store::SharedImageStore store)
{
    m_image_store = std::move(store);
    m_structure_dirty = true;
}

void AppState::navigate(Route route)
{
    if (m_navigation.current.is(RouteKind::Search) && route.is(RouteKind::Search))
        m_navigation.set_current_route(route);
    else
        m_navigation.push_route(route);
    m_model.route = std::move(route);
}

void AppState::navigate_to_launch_route(Route route)
{
    m_navigation = NavigationHistory { route, {} };
    m_model.route = std::move(route);
    m_structure_dirty = true;
}

void AppState::open_video(std::string const& video_id)
{
    m_history.record_history(video_id, m_model);
    navigate(Route::watch(video_id));
    m_model.playback_position = 0;
    m_model.playing = true;
    submit_fetch(WorkerRequest::enrich(video_id));
    if (auto const* video = m_model.video(video_id))
        ensure_channel_details(video->channel_id);
    request(WorkerRequest::related(video_id));
}

void AppState::open_channel(std::string const& channel_id)
{
    navigate(Route::channel(channel_id));
    request(WorkerRequest::channel(channel_id));
}

void AppState::publish_search_text(std::string const& text)
{
    m_model.search_text = text;
    m_search_text_cell->publish(text);
}

void AppState::submit_fetch(WorkerRequest request)
{
    if (!m_fetch_worker)
        m_fetch_worker.emplace(FetchWorker::start());
    if (m_fetch_worker->submit(request))
        return;
    apply_request_refusal(m_model, request);
    m_structure_dirty = true;
}

void AppState::request(WorkerRequest request)
{
    if (m_live)
        submit_fetch(std::move(request));
}

void AppState::ensure_channel_details(std::string const& channel_id)
{
    if (channel_id.empty() || m_pending_channels.contains(channel_id))
        return;
    if (auto const* channel = m_model.channel(channel_id); channel && !channel->avatar_url.empty() && channel->subscribers != 0)
        return;
    m_pending_channels.insert(channel_id);
    request(WorkerRequest::channel(channel_id));
}

bool AppState::skip_sponsor_segment() { return m_playback.skip_sponsor_segment(m_model, *m_player); }

bool AppState::autoplay_next()
{
    auto next = m_playback.autoplay_target(m_model, *m_player);
    if (!next)
        return false;
    open_video(*next);
    return true;
}

kaso::ui::ScrollOffsetCell AppState::ensure_scroll_offset(std::string const& key)
{
    auto& cell = m_scroll_offsets[key];
    if (!cell)
        cell = std::make_shared<kaso::ui::ScrollOffset>();
    return cell;
}

std::optional<kaso::ui::ScrollOffset> AppState::scroll_offset(std::string const& key) const
{
    if (auto found = m_scroll_offsets.find(key); found != m_scroll_offsets.end() && found->second)
        return *found->second;
    return std::nullopt;
}

}
