#include "src/app/PlaybackPolicy.h"

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

Video const* watch_video(VexaModel const& model)
{
    return model.route.is(RouteKind::Watch) ? model.video(model.route.text) : nullptr;
}

}

std::optional<double> watch_video_duration(VexaModel const& model)
{
    if (auto const* video = watch_video(model))
        return double(video->duration);
    return std::nullopt;
}

std::optional<WorkerRequest> PlaybackPolicy::follow_route(VexaModel const& model, ui::VideoPlayer& player, bool live)
{
    if (!live)
        return std::nullopt;
    if (model.route.is(RouteKind::Watch)) {
        if (m_stream_requested_for == model.route.text)
            return std::nullopt;
        m_stream_requested_for = model.route.text;
        m_loaded_video.reset();
        player.pause();
        return WorkerRequest::resolve_stream(model.route.text);
    }
    if (m_stream_requested_for) {
        m_stream_requested_for.reset();
        m_loaded_video.reset();
        player.pause();
    }
    return std::nullopt;
}

bool PlaybackPolicy::open_stream(StreamToOpen const& stream, VexaModel const& model, ui::VideoPlayer& player, WorkerApplyState& apply_state)
{
    // The address was checked for http or https when the message was applied.
    if (auto opened = player.open(stream.url); !opened) {
        log::target("vexa::app")->warn("stream not opened error={}", debug_text(opened.error().message));
        return false;
    }
    player.play();
    if (stream.enable_media_controls && !apply_state.media_controls_enabled) {
        player.enable_mpris(media_controls_service_name, media_controls_display_name);
        apply_state.media_controls_enabled = true;
    }
    if (stream.now_playing) {
        media::NowPlaying now;
        now.video_id = stream.now_playing->video_id;
        now.title = stream.now_playing->title;
        now.artist = stream.now_playing->artist;
        now.art_url = stream.now_playing->art_url;
        if (auto const* video = model.video(stream.video_id); video && video->duration > 0)
            now.length_ms = uint64_t(video->duration) * 1000;
        player.set_now_playing(std::move(now));
    }
    m_loaded_video = stream.video_id;
    return true;
}

bool PlaybackPolicy::skip_sponsor_segment(VexaModel& model, ui::VideoPlayer& player) const
{
    if (!model.settings.flag(SettingFlag::SponsorBlock))
        return false;
    auto const* video = watch_video(model);
    if (!video)
        return false;
    for (auto const& segment : video->sponsor) {
        if (!model.settings.skips_segments(segment.category) || !segment.contains(model.playback_position))
            continue;
        auto notice = fmt::format("Skipped {} ({}–{})", segment_category_label(segment.category), format_timecode(segment.start), format_timecode(segment.end));
        double end = segment.end;
        model.playback_position = end;
        player.seek_to_ms(seconds_to_ms(end));
        model.push_notice(std::move(notice));
        return true;
    }
    return false;
}

bool PlaybackPolicy::track_skip_target(VexaModel const& model)
{
    std::optional<double> target;
    if (model.settings.flag(SettingFlag::SponsorBlock)) {
        if (auto const* video = model.video(model.route.text)) {
            for (auto const& segment : video->sponsor) {
                if (model.settings.shows_segments(segment.category) && segment.contains(model.playback_position)) {
                    target = segment.end;
                    break;
                }
            }
        }
    }
    if (target == m_skip_target)
        return false;
    m_skip_target = target;
    return true;
}

std::optional<std::string> PlaybackPolicy::autoplay_target(VexaModel const& model, ui::VideoPlayer const& player) const
{
    if (!model.settings.flag(SettingFlag::Autoplay))
        return std::nullopt;
    auto const* video = watch_video(model);
    if (!video)
        return std::nullopt;
    // Finished by the catalogue's duration, or by the stream's own when it is shorter (a
    // catalogue duration rounded up past the stream's end must not stop autoplay).
    bool finished = model.playback_position >= double(video->duration) - 0.001;
    if (!finished && m_loaded_video == video->id) {
        if (auto duration = player.duration_ms(); duration && *duration > 0)
            finished = player.position_ms() + 250 >= *duration;
    }
    if (!finished)
        return std::nullopt;
    auto related = model.related_videos(video->id);
    if (related.empty() || related.front()->id == video->id)
        return std::nullopt;
    return related.front()->id;
}

bool PlaybackPolicy::plays_route(VexaModel const& model) const
{
    return model.route.is(RouteKind::Watch) && m_loaded_video == model.route.text;
}

bool PlaybackPolicy::awaits_stream(VexaModel const& model, bool live) const
{
    return live && model.route.is(RouteKind::Watch) && m_stream_requested_for == model.route.text && m_loaded_video != model.route.text;
}

}
