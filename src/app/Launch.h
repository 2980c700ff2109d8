#pragma once

#include "kaso/platform/Error.h"
#include "kaso/ui/App.h"
#include "kaso/ui/Launch.h"
#include "kaso/ui/LaunchArgs.h"
#include "src/model/Route.h"

#include <memory>

namespace vexa {

inline constexpr char const* application_id = "io.kaso.vexa";

// The route a "--route" text names: the words home, trending, subs, subscriptions, queue,
// history and settings in any case; "watch:<id>" and "search:<query>" as written; any other
// text is searched for.
Route route_from_text(std::string_view text);

class VexaApp;

// The non-live application for a start with launch flags; `launch_app_from_args` boxes it.
std::unique_ptr<VexaApp> build_app_from_args(kaso::ui::launch::LaunchArgs const& args);

kaso::ErrorOr<kaso::ui::WidgetBox> launch_app_from_args(kaso::ui::launch::LaunchArgs const& args);
kaso::ui::WidgetBox launch_default_app();
void register_app_actions(kaso::ui::app::App& app);
kaso::ui::launch::WindowSize initial_window_size(kaso::ui::launch::LaunchArgs const& args);

// The application's launch descriptor, ready for `kaso::ui::launch::run`.
kaso::ui::launch::LaunchDescriptor launch_descriptor();

}
