#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/platform/Error.h"
#include "kaso/ui/ImageStore.h"
#include "kaso/ui/Theme.h"
#include "kaso/ui/Widget.h"

namespace vexa {

class Console;

// Every still is this size, and so is the viewport of the application it shows.
inline constexpr int shot_width = 1280;
inline constexpr int shot_height = 860;

// The theme of a still from KASO_SHOTS_THEME's value: exactly "light" or "high-contrast", else
// dark (also when the variable is unset).
kaso::ui::Theme shot_theme(std::optional<std::string_view> variable);
kaso::ui::Theme shot_theme_from_environment();

// Lays the widget out at the still's size, draws it offscreen in the environment's theme and
// replaces the PNG file at `path` whole; prints "vexa: wrote shot to <path>" only once the file
// is written. A file that cannot be written is an error that names the path.
kaso::ErrorOr<void> write_shot(kaso::ui::WidgetBox widget, std::filesystem::path const& path, Console& console);

// Asks the store for every non-empty address in order, so that it starts loading them.
void prewarm_images(kaso::ui::image_store::ImageStore& store, std::vector<std::string> const& addresses);

}
