// The per-frame pump of the root: what the frame reads, requests and plays, and what it tells
// the runtime it needs.

#include "src/app/VexaApp.h"

#include "kaso/platform/Log.h"

namespace vexa {

using namespace kaso;

namespace {

constexpr char const* quality_by_menu_index[] = { "1080p", "720p", "480p", "auto" };

}

void VexaApp::sync(ui::SyncContext& context)
{
    if (m_live && !m_first_feed_requested) {
        m_first_feed_requested = true;
        request(WorkerRequest::trending());
    }
    pause_when_leaving_watch();

    if (m_model.palette_open) {
        auto query = m_palette_text_cell->text();
        if (query != m_model.palette_query) {
            m_model.palette_query = std::move(query);
            m_structure_dirty = true;
        }
    }

    if (m_content)
        m_content->sync(context);
    else
        m_player->sync(context);

    m_player->pump_media_controls();
    for (auto const& choice : m_player->take_setting_choices()) {
        if (choice.setting_id != "resolution" || choice.option_index > 3)
            continue;
        std::string label = quality_by_menu_index[choice.option_index];
        if (label != m_model.settings.preferred_quality) {
            m_model.settings.preferred_quality = std::move(label);
            m_structure_dirty = true;
        }
    }

    // Playback rules, while the loaded video is the one on screen.
    if (!m_model.route.is(RouteKind::Watch) || m_loaded_video != m_model.route.text)
        return;
    bool changed = false;
    uint64_t position_ms = m_player->position_ms();
    uint64_t duration_ms = m_player->duration_ms().value_or(0);
    m_model.playing = m_player->is_playing();
    m_model.playback_position = double(position_ms) / 1000.0;
    changed = skip_sponsor_segment() || changed;

    std::optional<double> target;
    if (m_model.settings.flag(SettingFlag::SponsorBlock)) {
        if (auto const* video = m_model.video(m_model.route.text)) {
            for (auto const& segment : video->sponsor) {
                if (m_model.settings.shows_segments(segment.category) && segment.contains(m_model.playback_position)) {
                    target = segment.end;
                    break;
                }
            }
        }
    }
    if (target != m_skip_target) {
        m_skip_target = target;
        changed = true;
    }
    if (duration_ms > 0 && position_ms + 250 > duration_ms - 1)
        changed = autoplay_next() || changed;
    if (changed)
        m_structure_dirty = true;
}

bool VexaApp::take_structure_dirty()
{
    bool dirty = std::exchange(m_structure_dirty, false);
    dirty = apply_fetch_results() || dirty;
    if (m_content)
        dirty = m_content->take_structure_dirty() || dirty;
    return dirty;
}

bool VexaApp::needs_idle_sync() const
{
    if (m_fetch_worker)
        return true;
    return m_image_store && m_image_store->pending() > 0;
}

bool VexaApp::needs_redraw() const
{
    if (m_structure_dirty || !m_content)
        return true;
    if (m_image_store && m_image_store->pending() > 0)
        return true;
    return m_content->needs_redraw();
}

bool VexaApp::needs_animation_frame() const
{
    if (m_live && m_model.route.is(RouteKind::Watch) && m_stream_requested_for == m_model.route.text && m_loaded_video != m_model.route.text)
        return true;
    if (m_image_store && m_image_store->pending() > 0)
        return true;
    return m_content && m_content->needs_animation_frame();
}

}
