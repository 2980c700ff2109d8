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

namespace vexa::test {

// The query of the search views, and the sample catalogue with a search answered for it: two
// creators, one playlist and the videos whose text matches.
inline constexpr std::string_view shot_query = "lab";
VexaModel search_catalogue();

// The four pages the screenshots show, by name: "home", "trending", "subscriptions", "search".
inline constexpr std::string_view shot_pages[] = { "home", "trending", "subscriptions", "search" };
std::optional<kaso::ui::Scrollable> shot_page(std::string_view page, kaso::ui::Theme const& theme, float scale);

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
