#include "src/app/Launch.h"

#include "src/actions/TypedDispatch.h"
#include "src/app/VexaApp.h"
#include "src/screens/RouteTable.h"

namespace vexa {

namespace {

constexpr std::string_view bool_flags[] = { "--narrow", "--palette", "--play-demo", "--empty", "--loading", "--device-sync" };
constexpr std::string_view value_flags[] = { "--route", "--palette-query" };

std::string ascii_lowercase(std::string_view text)
{
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}

Route route_from_text(std::string_view text)
{
    if (auto route = route_from_launch_text(text, ascii_lowercase(text)))
        return *route;
    return Route::search(std::string(text));
}

std::unique_ptr<VexaApp> build_app_from_args(kaso::ui::launch::LaunchArgs const& args)
{
    // The offline empty state shows no history and must not touch the user's file.
    auto app = VexaApp::create(args.has("--empty") ? VexaApp::HistoryFile::InMemory : VexaApp::HistoryFile::Open);
    if (auto size = args.window_size())
        app->set_viewport(double(size->width), double(size->height));
    else
        app->set_viewport(1280, 800);

    if (args.has("--empty"))
        app->show_empty_state();
    else if (args.has("--loading"))
        app->show_loading_state();
    else if (args.has("--device-sync"))
        app->show_device_sync();
    else if (args.has("--palette"))
        app->open_palette(args.value("--palette-query").value_or("rust"));
    else if (args.has("--play-demo"))
        app->play_demo();
    else if (args.has("--narrow"))
        app->set_force_nav(ForceNav::Yes);
    else if (auto route = args.value("--route"))
        app->apply_launch_route(route_from_text(*route));
    return app;
}

kaso::ErrorOr<kaso::ui::WidgetBox> launch_app_from_args(kaso::ui::launch::LaunchArgs const& args)
{
    return kaso::ui::WidgetBox(build_app_from_args(args));
}

kaso::ui::WidgetBox launch_default_app()
{
    auto app = VexaApp::create();
    app->finish_default();
    app->start_device_sync();
    return app;
}

void register_app_actions(kaso::ui::app::App& app)
{
    register_vexa_action_decoder(app.action_registry_mut());
}

kaso::ui::launch::WindowSize initial_window_size(kaso::ui::launch::LaunchArgs const& args)
{
    if (args.has("--narrow") && !args.window_size())
        return { 560, 800 };
    return { 1280, 800 };
}

// Only a start on a page that plays has GStreamer started at launch; elsewhere the player starts
// it when it is first shown.
bool plays_at_launch(kaso::ui::launch::LaunchArgs const& args)
{
    if (args.has("--play-demo"))
        return true;
    auto route = args.value("--route");
    return route && route_from_text(*route).is(RouteKind::Watch);
}

kaso::ui::launch::LaunchDescriptor launch_descriptor()
{
    kaso::ui::launch::LaunchDescriptor descriptor;
    descriptor.application_id = application_id;
    descriptor.bool_flags.assign(std::begin(bool_flags), std::end(bool_flags));
    descriptor.value_flags.assign(std::begin(value_flags), std::end(value_flags));
    descriptor.build_from_args = launch_app_from_args;
    descriptor.build_default = launch_default_app;
    descriptor.register_actions = register_app_actions;
    descriptor.initial_window_size = initial_window_size;
    descriptor.plays_at_launch = plays_at_launch;
    descriptor.open_persistence = kaso::ui::persist::open;
    descriptor.fullscreen = false;
    descriptor.resizable = true;
    descriptor.high_dpi = true;
    return descriptor;
}

}
