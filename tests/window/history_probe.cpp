// Starts the application object as `vexa --route=home` does (same data directory, same owner),
// runs its first frame without a window and prints the model's history list, one video id a
// line, newest first. The window test of the history uses it to look at the model after the
// real window quit.
#include <cstdio>
#include <string>
#include <vector>

#include "src/app/Launch.h"
#include "src/app/VexaApp.h"

int main()
{
    static constexpr std::string_view bools[] = { "--narrow", "--palette", "--play-demo", "--empty", "--loading", "--device-sync" };
    static constexpr std::string_view values[] = { "--route", "--palette-query" };
    auto app = vexa::build_app_from_args(kaso::ui::launch::LaunchArgs::parse(std::vector<std::string> { "--route=home" }, bools, values));
    kaso::ui::SyncContext context;
    app->sync(context);
    if (auto const& notice = app->model().history_notice)
        std::printf("notice %s\n", notice->c_str());
    for (auto const& id : app->model().history)
        std::printf("%s\n", id.c_str());
    return 0;
}
