#include "src/app/DiagnosticStates.h"

#include <chrono>
#include <thread>

#include "kaso/platform/Clock.h"
#include "kaso/platform/Log.h"
#include "src/app/VexaApp.h"

namespace vexa {

bool player_ready_predicate(kaso::ui::VideoPlayer const& player) { return player.is_ready(); }

bool player_position_predicate(kaso::ui::VideoPlayer const& player)
{
    return player.engine() && player.engine()->position_ms() >= bench_rest_position_ms;
}

PlayerPredicate player_seek_landed_predicate(uint64_t seeks_before)
{
    return [seeks_before](kaso::ui::VideoPlayer const& player) { return player.seeks_completed() > seeks_before; };
}

bool wait_until(kaso::ui::VideoPlayer& player, kaso::ui::SyncContext context, PlayerPredicate const& predicate, uint64_t seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        context.now_ms = kaso::platform::monotonic_ms();
        player.sync(context);
        if (predicate(player))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    return false;
}

std::unique_ptr<VexaApp> VexaApp::create_for_diagnostics()
{
    auto history = OwnerHistory::in_memory();
    auto owner = history.store().owner_id();
    return std::unique_ptr<VexaApp>(new VexaApp(std::move(owner), std::move(history)));
}

VexaApp& VexaApp::bench_watch_state(std::string const& video_id)
{
    m_state.navigate_to_launch_route(Route::watch(video_id));
    auto& player = *m_state.player();
    player.set_engine(kaso::media::MediaEngine::create_synthesized());
    if (auto opened = player.open(launch_state::demo_clip_address); !opened)
        kaso::log::target("vexa::app")->warn("demonstration clip not opened error={}", kaso::debug_text(opened.error().message));
    player.seek_to_ms(bench_rest_position_ms);
    kaso::ui::SyncContext context;
    context.now_ms = kaso::platform::monotonic_ms();
    player.sync(context);
    player.pause();
    m_state.playback().set_loaded_video(video_id);
    return *this;
}

VexaApp& VexaApp::shot_watch_state(std::string const& video_id, std::string const& stream_address)
{
    m_state.navigate_to_launch_route(Route::watch(video_id));
    auto& player = *m_state.player();
    if (auto opened = player.open(stream_address); !opened)
        kaso::log::target("vexa::app")->warn("shot stream not opened error={}", kaso::debug_text(opened.error().message));
    player.play();
    player.reveal_controls();
    kaso::ui::SyncContext context;
    wait_until(player, context, player_ready_predicate, 25);
    // The position answers a pending seek's target at once, so the still waits for the seek to
    // land: until then the picture may be the one from before it.
    if (player.duration_ms().value_or(0) > shot_seek_after_ms) {
        auto seeks_before = player.seeks_completed();
        player.seek_to_ms(shot_seek_target_ms);
        wait_until(player, context, player_seek_landed_predicate(seeks_before), 15);
    }
    m_state.playback().set_loaded_video(video_id);
    return *this;
}

}
