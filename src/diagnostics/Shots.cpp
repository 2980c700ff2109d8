#include "src/diagnostics/Shots.h"

#include <cstdlib>

#include "kaso/platform/AtomicFile.h"
#include "kaso/platform/Clock.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "src/diagnostics/Console.h"

namespace vexa {

kaso::ui::Theme shot_theme(std::optional<std::string_view> variable)
{
    if (variable == "light")
        return kaso::ui::Theme::light();
    if (variable == "high-contrast")
        return kaso::ui::Theme::high_contrast();
    return kaso::ui::Theme::dark();
}

kaso::ui::Theme shot_theme_from_environment()
{
    char const* value = std::getenv("KASO_SHOTS_THEME");
    return shot_theme(value ? std::optional<std::string_view>(value) : std::nullopt);
}

kaso::ErrorOr<void> write_shot(kaso::ui::WidgetBox widget, std::filesystem::path const& path, Console& console)
{
    kaso::ui::FrameDriver driver(std::move(widget), shot_theme_from_environment());
    driver.set_viewport(shot_width, shot_height, 1.0f);
    auto now = kaso::platform::monotonic_ms();
    // One frame syncs, builds and places the tree; the rendering syncs once more and draws.
    driver.frame(now);
    auto picture = TRY(kaso::ui::render_offscreen(driver, now));
    if (path.has_parent_path()) {
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
    }
    auto bytes = TRY(kaso::ui::encode_png(picture));
    if (auto written = kaso::platform::write_file_atomically(path, bytes); !written)
        return kaso::make_error(fmt::format("could not write shot {}: {}", path.string(), written.error().message));
    console.out("vexa: wrote shot to {}", path.string());
    return {};
}

void prewarm_images(kaso::ui::image_store::ImageStore& store, std::vector<std::string> const& addresses)
{
    for (auto const& address : addresses)
        if (!address.empty())
            store.get(address);
}

}
