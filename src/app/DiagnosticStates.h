#pragma once

#include <cstdint>
#include <functional>

#include "kaso/ui/VideoPlayer.h"
#include "kaso/ui/Widget.h"

namespace vexa {

// What the diagnostic modes wait for on the shared player.
using PlayerPredicate = std::function<bool(kaso::ui::VideoPlayer const&)>;

// The first picture of the open source has arrived.
bool player_ready_predicate(kaso::ui::VideoPlayer const& player);
// The player has an engine whose position is at least 30 000 ms.
bool player_position_predicate(kaso::ui::VideoPlayer const& player);
// More seeks have landed than `seeks_before`.
PlayerPredicate player_seek_landed_predicate(uint64_t seeks_before);

// Runs the player's own sync every 15 ms until the predicate holds or `seconds` have passed on
// the monotonic clock; answers whether it held. With 0 seconds it returns at once, without a sync.
bool wait_until(kaso::ui::VideoPlayer& player, kaso::ui::SyncContext context, PlayerPredicate const& predicate, uint64_t seconds);

// The position the Watch still seeks to in a video longer than `shot_seek_after_ms`.
inline constexpr uint64_t shot_seek_target_ms = 32'000;
inline constexpr uint64_t shot_seek_after_ms = 40'000;
// The position the benchmark's loaded Watch page rests at.
inline constexpr uint64_t bench_rest_position_ms = 30'000;

}
