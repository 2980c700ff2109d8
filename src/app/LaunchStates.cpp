#include "src/app/LaunchStates.h"

#include "kaso/platform/Log.h"
#include "kaso/ui/FocusState.h"

namespace vexa::launch_state {

void show_empty(AppState& state)
{
    state.replace_model(VexaModel::empty());
    state.model().owner_id = state.history().store().owner_id();
    state.model().status_label = "offline — network unavailable";
    state.navigate_to_launch_route(Route::home());
}

void show_loading(AppState& state)
{
    state.replace_model(VexaModel::empty());
    state.model().feed_loading = true;
    state.navigate_to_launch_route(Route::home());
}

void show_device_sync(AppState& state)
{
    state.navigate_to_launch_route(Route::settings());
    state.set_device_sync(demo_device_sync());
    auto offset = state.ensure_scroll_offset("settings");
    offset->x = 0;
    offset->y = state.layout().viewport().width() < 760 ? 1330 : 930;
}

void open_palette(AppState& state, std::string query)
{
    state.show_palette();
    state.model().palette_query = query;
    // The caret waits at the end of the query, as if it had just been typed.
    kaso::ui::FocusState::current().set_caret("palette_input", { query.size(), query.size() });
    state.palette_text_cell()->publish(std::move(query));
    state.mark_dirty();
}

void play_demo(AppState& state)
{
    auto const& videos = state.model().videos;
    auto id = videos.empty() ? std::string("vid_donut") : videos.front().id;
    state.navigate_to_launch_route(Route::watch(id));
    auto& player = *state.player();
    player.set_engine(kaso::media::MediaEngine::create_synthesized());
    if (auto opened = player.open(demo_clip_address); !opened)
        kaso::log::target("vexa::app")->warn("demonstration clip not opened error={}", kaso::debug_text(opened.error().message));
    player.seek_to_ms(45'000);
    player.play();
    player.reveal_controls();
    kaso::ui::SyncContext context;
    player.sync(context);
    state.playback().set_loaded_video(id);
}

void apply_route(AppState& state, Route route)
{
    if (route.is(RouteKind::Search)) {
        state.model().search_text = route.text;
        state.search_text_cell()->publish(route.text);
    }
    state.navigate_to_launch_route(std::move(route));
}

void use_model(AppState& state, VexaModel model)
{
    state.search_text_cell()->publish(model.search_text);
    state.palette_text_cell()->publish(model.palette_query);
    auto owner = model.owner_id;
    state.replace_model(std::move(model));
    state.set_history(OwnerHistory::in_memory(std::move(owner)));
}

}
