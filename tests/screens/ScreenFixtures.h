#pragma once

// Models, pages and pictures shared by the screen tests, the screenshot test and the window
// host, so that all of them show the same thing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/ui/ImageStore.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/DeviceSection.h"

namespace vexa::test {

// The query of the search views, and the sample catalogue with a search answered for it: two
// creators, one playlist and the videos whose text matches.
inline constexpr std::string_view shot_query = "lab";
VexaModel search_catalogue();

// The sample catalogue with a shared queue of two known videos and one id the model has no
// record of.
VexaModel queue_catalogue();
// The sample catalogue with one playlist of three known videos, opened on its route.
inline constexpr std::string_view shot_playlist = "pl_night_walks";
VexaModel playlist_catalogue();
// The creator of the Channel page's views: not subscribed, with banner and description.
inline constexpr std::string_view shot_channel = "ch_trail";

// The pinned clock of the device fixtures and the screenshots, in seconds since the epoch.
inline constexpr uint64_t shot_now_seconds = 1'800'000'000;
// What the settings page shows of device sync, by name:
//   "none"         no status at all;
//   "unavailable"  the placeholder of a start without the live worker;
//   "no-peers"     ready, with the key, and no device yet;
//   "demo"         ready: the key, one approved device synced 180 s ago and one pending;
//   "syncing"      the demo devices while a pass runs, plus a revoked one and one never synced;
//   "attention"    a device whose last sync failed with a long error.
// Each has a pairing-invite buffer except "none".
DeviceSectionInput device_fixture(std::string_view name);

// The four pages of the theme screenshots, by name: "home", "trending", "subscriptions", "search".
inline constexpr std::string_view shot_pages[] = { "home", "trending", "subscriptions", "search" };
// The other pages, shot in the dark theme: "queue", "channel", "playlist", "history", "settings"
// (the settings page with the "demo" devices).
inline constexpr std::string_view list_shot_pages[] = { "queue", "channel", "playlist", "history", "settings" };
// Any of the pages above, built for a content width (logical pixels).
std::optional<kaso::ui::Scrollable> shot_page(std::string_view page, kaso::ui::Theme const& theme, float scale, double width = 1280);

// "dark", "light", "high-contrast".
inline constexpr std::string_view shot_themes[] = { "dark", "light", "high-contrast" };
kaso::ui::Theme theme_named(std::string_view name);

// PNG bytes of a picture of one colour, and a fetch function that answers every address with
// such a picture (coloured from the address), counting its calls; "bad:" addresses fail.
std::vector<uint8_t> solid_png(int width, int height, uint8_t red, uint8_t green, uint8_t blue);
kaso::ui::image_store::FetchFunction fake_fetch();

// Gives every video, creator and playlist of the model a picture address "test://...".
void give_pictures(VexaModel& model);

}
