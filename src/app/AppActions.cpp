// Carrying out the UiAction values that the page tree's widgets queued.

#include "src/app/AppState.h"

#include <algorithm>
#include <cmath>

#include "kaso/platform/Log.h"
#include "kaso/ui/FocusState.h"
#include "src/app/DeepLinks.h"
#include "src/model/Formatting.h"

namespace vexa {

namespace {

void emit_control(kaso::actions::ActionEmitter& emitter)
{
    if (auto emitted = emitter.emit(); !emitted)
        kaso::log::target("vexa::app")->warn("control not emitted error={}", kaso::debug_text(emitted.error().message));
}

uint64_t position_to_ms(double seconds) { return uint64_t(seconds * 1000.0); }

}

bool AppState::carry_out_queued(kaso::actions::LibraryStore* library)
{
    bool changed = false;
    for (auto const& action : m_operations->drain())
        changed = carry_out(action, library) || changed;
    follow_route();
    if (changed)
        m_structure_dirty = true;
    return changed;
}

bool AppState::carry_out(UiAction const& action, kaso::actions::LibraryStore* library)
{
    // The library's change goes out first; the local echo below runs whether or not it was taken.
    m_library.dispatch(library, action, m_model);

    switch (action.kind) {
    case UiActionKind::Navigate:
        if (action.route.is(RouteKind::Search))
            publish_search_text(action.route.text);
        navigate(action.route);
        m_layout.collapse_nav_if_narrow();
        break;
    case UiActionKind::OpenVideo:
        open_video(action.text);
        m_layout.collapse_nav_if_narrow();
        break;
    case UiActionKind::ClearHistory:
        if (m_history.clear_history(m_model))
            m_model.push_notice("Watch history cleared for this profile");
        break;
    case UiActionKind::OpenChannel: open_channel(action.text); break;
    case UiActionKind::OpenPlaylist:
        navigate(Route::playlist(action.text));
        request(WorkerRequest::playlist(action.text));
        break;
    case UiActionKind::ToggleResultType: toggle_result_type(m_model.result_types, action.index); break;
    case UiActionKind::GoBack:
        if (auto previous = m_navigation.go_back()) {
            m_model.route = *previous;
            m_layout.collapse_nav_if_narrow();
        }
        break;
    case UiActionKind::ToggleSubscription: m_model.toggle_subscription(action.text); break;
    case UiActionKind::CycleSegmentMode:
        if (auto category = segment_category_from_index(action.index))
            next_segment_mode(m_model.settings, *category);
        break;
    case UiActionKind::ToggleSetting:
        if (auto flag = setting_flag_from_index(action.index))
            m_model.settings.set_flag(*flag, !m_model.settings.flag(*flag));
        break;
    case UiActionKind::Search: {
        auto text = m_search_text_cell->text();
        m_model.search_text = text;
        m_model.search_error.reset();
        navigate(Route::search(text));
        if (!text.empty()) {
            if (m_live)
                m_model.searching = true;
            submit_fetch(WorkerRequest::search(text));
        }
        break;
    }
    case UiActionKind::SetQuality:
        if (is_quality_label(action.text))
            m_model.settings.preferred_quality = action.text;
        break;
    case UiActionKind::ToggleLike: m_model.toggle_like(action.text); break;
    case UiActionKind::Seek:
        if (auto duration = watch_video_ready(); duration && std::isfinite(action.value)) {
            double position = std::clamp(action.value * *duration, 0.0, *duration);
            m_model.playback_position = position;
            m_player->seek_to_ms(position_to_ms(position));
            skip_sponsor_segment();
            autoplay_next();
        }
        break;
    case UiActionKind::SkipSegment:
        if (auto duration = watch_video_ready(); duration && std::isfinite(action.value)) {
            double position = std::clamp(action.value, 0.0, *duration);
            m_model.playback_position = position;
            m_player->seek_to_ms(position_to_ms(position));
            m_model.push_notice(fmt::format("Skipped to {}", format_timecode(position)));
        }
        break;
    // Both go through the runtime like any other invocation of the tree; it hands the operation
    // back to execute_operation.
    case UiActionKind::TogglePlayback:
        refresh_watch_controls();
        if (auto* emitter = m_watch_controls.play_pause())
            emit_control(*emitter);
        break;
    case UiActionKind::Share:
        if (m_model.route.is(RouteKind::Watch) && m_model.route.text == action.text) {
            refresh_watch_controls();
            if (auto* emitter = m_watch_controls.share())
                emit_control(*emitter);
        }
        break;
    case UiActionKind::ToggleSidebar: m_layout.toggle_nav(); break;
    case UiActionKind::OpenPalette: show_palette(); break;
    case UiActionKind::ClosePalette: hide_palette(); break;
    case UiActionKind::OpenSearchResult:
        if (auto video = deep_link_watch_id(action.text))
            open_video(*video);
        else if (auto channel = deep_link_channel_id(action.text))
            open_channel(*channel);
        hide_palette();
        m_layout.collapse_nav_if_narrow();
        break;
    // Device requests become invocations of the device-sync resource; one the tree does not
    // offer now says why nothing happened.
    case UiActionKind::PairDevice:
        if (!queue_device_invocation("pair", std::nullopt))
            m_model.push_notice("Paste a pairing invite first, or unlock the desktop secret broker");
        break;
    case UiActionKind::SyncDevices:
        if (!queue_device_invocation("sync", std::nullopt))
            m_model.push_notice("Device sync is unavailable");
        break;
    case UiActionKind::ApproveDevice:
        if (!queue_device_invocation("approve", action.text))
            m_model.push_notice("Device approval is unavailable");
        break;
    case UiActionKind::RevokeDevice:
        if (!queue_device_invocation("revoke", action.text))
            m_model.push_notice("Device revocation is unavailable");
        break;
    }
    return true;
}

void AppState::show_palette()
{
    // Activating the open palette's card asks again; the focus stays where the user put it.
    if (m_model.palette_open)
        return;
    m_model.palette_open = true;
    auto& focus = kaso::ui::FocusState::current();
    m_focus_before_palette = focus.focused_id();
    focus.set_focused("palette_input");
}

void AppState::hide_palette()
{
    if (!m_model.palette_open)
        return;
    m_model.palette_open = false;
    // Nothing outside the palette could take the focus while it was open.
    auto& focus = kaso::ui::FocusState::current();
    if (!focus.focused_id() || focus.is_focused("palette_input")) {
        focus.clear_focus("palette_input");
        if (m_focus_before_palette)
            focus.set_focused(*m_focus_before_palette);
    }
    m_focus_before_palette.reset();
}

}
