// The frame of the application state: one pass of small steps in a fixed order. Worker results
// are taken in by the last step and nowhere else.

#include "src/app/AppState.h"
#include "src/app/SyncRequest.h"

#include "kaso/actions/LibraryStore.h"
#include "kaso/platform/Clock.h"
#include "kaso/platform/Log.h"

namespace vexa {

namespace {

constexpr char const* quality_by_menu_index[] = { "1080p", "720p", "480p", "auto" };

}

void AppState::run_frame(kaso::ui::SyncContext& context, kaso::ui::Widget* content)
{
    read_library(context);
    exchange_with_device_sync(context);
    read_library(context); // what the sync imported shows this frame
    migrate_legacy_history(context);
    refresh_history_list();
    request_first_feed();
    follow_route();
    take_palette_query();
    if (content)
        content->sync(context);
    else
        m_player->sync(context);
    pump_media_controls(context);
    apply_playback_rules();
    drain_worker_results();
}

void AppState::read_library(kaso::ui::SyncContext const& context)
{
    if (m_library.tell_store_notice(context.library_store, m_model))
        m_structure_dirty = true;
    if (m_library.read(context.library, m_model))
        m_structure_dirty = true;
}

void AppState::exchange_with_device_sync(kaso::ui::SyncContext const& context)
{
    if (!m_first_sync_requested) {
        m_first_sync_requested = true;
        // A refused first request is not retried; the worker's own periodic pass follows.
        m_device_sync.request_sync_now(build_sync_request(m_model));
    }
    auto drained = m_device_sync.drain_updates();
    if (drained.changed)
        m_structure_dirty = true;
    if (!drained.pulled.empty() && import_pulled(drained.pulled, context.library_store))
        m_structure_dirty = true;
}

bool AppState::import_pulled(std::span<sync::SyncPayload const> pulled, kaso::actions::LibraryStore* library_store)
{
    auto plan = sync::plan_pulled_import(pulled, m_model, m_history.store().document(), m_model.owner_id, kaso::platform::unix_time_ms());
    // The two writes touch different documents: the library's through its store and host only,
    // the history's through the owner history (and the model's notice when it fails).
    auto write_library = [&] {
        // A refusal is logged there; the read of the library after this step shows what was taken.
        (void)sync::dispatch_subscription_import(plan.subscriptions,
            [&](kaso::actions::DocumentAction const& action, kaso::actions::EncodedAction const& encoded,
                kaso::actions::ActionContext const& dispatch_context) -> base::ErrorOr<void, kaso::actions::ActionError> {
                if (!library_store)
                    return std::unexpected(kaso::actions::ActionError { "no library document to import into" });
                return m_library.host().dispatch_onto(*library_store, action, encoded, dispatch_context);
            });
    };
    bool history_changed = false;
    auto write_history = [&] { history_changed = m_history.import_entries(plan.history, m_model); };
    sync::write_import(plan, write_library, write_history);
    return history_changed;
}

void AppState::migrate_legacy_history(kaso::ui::SyncContext const& context)
{
    if (m_history.migrate_legacy(context.library, m_model))
        m_structure_dirty = true;
}

void AppState::refresh_history_list()
{
    if (m_history.refresh_list(m_model))
        m_structure_dirty = true;
}

void AppState::request_first_feed()
{
    if (!m_live || m_first_feed_requested)
        return;
    m_first_feed_requested = true;
    request(WorkerRequest::trending());
}

void AppState::follow_route()
{
    if (auto stream = m_playback.follow_route(m_model, *m_player, m_live))
        request(std::move(*stream));
}

void AppState::take_palette_query()
{
    if (!m_model.palette_open)
        return;
    auto query = m_palette_text_cell->text();
    if (query != m_model.palette_query) {
        m_model.palette_query = std::move(query);
        m_structure_dirty = true;
    }
}

void AppState::pump_media_controls(kaso::ui::SyncContext const& context)
{
    m_player->pump_media_controls();
    for (auto const& choice : m_player->take_setting_choices()) {
        if (choice.setting_id != "resolution" || choice.option_index >= std::size(quality_by_menu_index))
            continue;
        // Saved like the settings page's choice: dispatched, then echoed.
        std::string label = quality_by_menu_index[choice.option_index];
        if (label != m_model.settings.preferred_quality) {
            carry_out(UiAction::set_quality(std::move(label)), context.library_store);
            m_structure_dirty = true;
        }
    }
}

void AppState::apply_playback_rules()
{
    if (!m_playback.plays_route(m_model))
        return;
    bool changed = false;
    uint64_t position_ms = m_player->position_ms();
    uint64_t duration_ms = m_player->duration_ms().value_or(0);
    m_model.playing = m_player->is_playing();
    m_model.playback_position = double(position_ms) / 1000.0;
    changed = skip_sponsor_segment() || changed;
    changed = m_playback.track_skip_target(m_model) || changed;
    if (duration_ms > 0 && position_ms + 250 > duration_ms - 1)
        changed = autoplay_next() || changed;
    if (changed)
        m_structure_dirty = true;
}

void AppState::drain_worker_results()
{
    if (!m_fetch_worker)
        return;
    auto messages = m_fetch_worker->drain_results();
    if (messages.empty())
        return;
    auto applied = apply_worker_messages(m_model, std::move(messages), m_worker_apply, m_live);
    if (applied.search_route) {
        // Through the navigation, so that the model's route stays the current one.
        m_navigation.set_current_route(*applied.search_route);
        m_model.route = std::move(*applied.search_route);
    }
    for (auto const& id : applied.channel_lookups)
        ensure_channel_details(id);
    if (applied.stream)
        m_playback.open_stream(*applied.stream, m_model, *m_player, m_worker_apply);
    if (applied.changed)
        m_structure_dirty = true;
}

}
