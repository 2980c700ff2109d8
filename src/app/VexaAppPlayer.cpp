// The fetch worker client, the application of its results, and the player following the route:
// stream requests, SponsorBlock skips and autoplay.

#include "src/app/VexaApp.h"

#include <cmath>

#include "kaso/platform/Log.h"
#include "src/model/Formatting.h"

namespace vexa {

using namespace kaso;

namespace {

uint64_t seconds_to_ms(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    double ms = seconds * 1000.0;
    if (ms >= 1.8e19)
        return UINT64_MAX;
    return uint64_t(ms);
}

}

VexaApp& VexaApp::with_fetch_worker(FetchWorker worker)
{
    m_fetch_worker.emplace(std::move(worker));
    return *this;
}

void VexaApp::submit_fetch(WorkerRequest request)
{
    if (!m_fetch_worker)
        m_fetch_worker.emplace(FetchWorker::start());
    if (m_fetch_worker->submit(request))
        return;
    apply_request_refusal(m_model, request);
    m_structure_dirty = true;
}

void VexaApp::request(WorkerRequest request)
{
    if (m_live)
        submit_fetch(std::move(request));
}

void VexaApp::ensure_channel_details(std::string const& channel_id)
{
    if (channel_id.empty() || m_pending_channels.contains(channel_id))
        return;
    if (auto const* channel = m_model.channel(channel_id); channel && !channel->avatar_url.empty() && channel->subscribers != 0)
        return;
    m_pending_channels.insert(channel_id);
    request(WorkerRequest::channel(channel_id));
}

bool VexaApp::apply_fetch_results()
{
    if (!m_fetch_worker)
        return false;
    auto messages = m_fetch_worker->drain_results();
    if (messages.empty())
        return false;
    auto applied = apply_worker_messages(m_model, std::move(messages), m_worker_apply, m_live);
    for (auto const& id : applied.channel_lookups)
        ensure_channel_details(id);
    if (applied.stream) {
        auto const& stream = *applied.stream;
        if (!stream.url.starts_with("https://") && !stream.url.starts_with("http://")) {
            log::target("vexa::app")->warn("stream address refused address={}", kaso::debug_text(stream.url));
        } else if (auto opened = m_player->open(stream.url); !opened) {
            log::target("vexa::app")->warn("stream not opened error={}", kaso::debug_text(opened.error().message));
        } else {
            m_player->play();
            if (stream.enable_media_controls)
                m_player->enable_mpris(media_controls_service_name, media_controls_display_name);
            if (stream.now_playing) {
                media::NowPlaying now;
                now.video_id = stream.now_playing->video_id;
                now.title = stream.now_playing->title;
                now.artist = stream.now_playing->artist;
                now.art_url = stream.now_playing->art_url;
                if (auto const* video = m_model.video(stream.video_id); video && video->duration > 0)
                    now.length_ms = uint64_t(video->duration) * 1000;
                m_player->set_now_playing(std::move(now));
            }
            m_loaded_video = stream.video_id;
        }
    }
    return applied.changed;
}

void VexaApp::pause_when_leaving_watch()
{
    if (!m_live)
        return;
    if (m_model.route.is(RouteKind::Watch)) {
        if (m_stream_requested_for == m_model.route.text)
            return;
        m_stream_requested_for = m_model.route.text;
        m_loaded_video.reset();
        m_player->pause();
        request(WorkerRequest::resolve_stream(m_model.route.text));
    } else if (m_stream_requested_for) {
        m_stream_requested_for.reset();
        m_loaded_video.reset();
        m_player->pause();
    }
}

std::optional<double> VexaApp::watch_video_ready() const
{
    if (!m_model.route.is(RouteKind::Watch))
        return std::nullopt;
    if (auto const* video = m_model.video(m_model.route.text))
        return double(video->duration);
    return std::nullopt;
}

bool VexaApp::skip_sponsor_segment()
{
    if (!m_model.settings.flag(SettingFlag::SponsorBlock) || !m_model.route.is(RouteKind::Watch))
        return false;
    auto const* video = m_model.video(m_model.route.text);
    if (!video)
        return false;
    for (auto const& segment : video->sponsor) {
        if (!m_model.settings.skips_segments(segment.category) || !segment.contains(m_model.playback_position))
            continue;
        auto notice = fmt::format("Skipped {} ({}–{})", segment_category_label(segment.category), format_timecode(segment.start), format_timecode(segment.end));
        m_model.playback_position = segment.end;
        m_player->seek_to_ms(seconds_to_ms(segment.end));
        m_model.push_notice(std::move(notice));
        return true;
    }
    return false;
}

bool VexaApp::autoplay_next()
{
    if (!m_model.settings.flag(SettingFlag::Autoplay) || !m_model.route.is(RouteKind::Watch))
        return false;
    auto const* video = m_model.video(m_model.route.text);
    if (!video)
        return false;
    // Finished by the catalogue's duration, or by the stream's own when it is shorter (a
    // catalogue duration rounded up past the stream's end must not stop autoplay).
    bool finished = m_model.playback_position >= double(video->duration) - 0.001;
    if (!finished && m_loaded_video == video->id) {
        if (auto duration = m_player->duration_ms(); duration && *duration > 0)
            finished = m_player->position_ms() + 250 >= *duration;
    }
    if (!finished)
        return false;
    auto related = m_model.related_videos(video->id);
    if (related.empty() || related.front()->id == video->id)
        return false;
    auto next = related.front()->id;
    open_video(next);
    return true;
}

}
