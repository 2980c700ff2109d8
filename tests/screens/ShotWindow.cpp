// Opens a real window showing one page of the screenshot set, as the offscreen references
// show it:  screens_shot_window PAGE THEME WIDTHxHEIGHT
// The window test photographs it and compares the photograph with the reference.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "kaso/ui/Launch.h"
#include "tests/screens/ScreenFixtures.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PAGE THEME WIDTHxHEIGHT\n", argv[0]);
        return 2;
    }
    std::string page = argv[1];
    auto theme = vexa::test::theme_named(argv[2]);
    double width = std::atof(argv[3]); // the "W" of "WxH"
    if (!vexa::test::shot_page(page, theme, 1.0f)) {
        std::fprintf(stderr, "unknown page %s\n", page.c_str());
        return 2;
    }
    kaso::ui::launch::LaunchDescriptor descriptor;
    descriptor.application_id = "io.kaso.shots";
    descriptor.theme = theme;
    descriptor.resizable = false;
    descriptor.high_dpi = false;
    descriptor.arguments = std::vector<std::string> { std::string("--window-size=") + argv[3] };
    auto build = [page, theme, width]() -> kaso::ui::WidgetBox {
        return std::make_unique<kaso::ui::Scrollable>(std::move(*vexa::test::shot_page(page, theme, 1.0f, width)));
    };
    descriptor.build_default = build;
    descriptor.build_from_args = [build](kaso::ui::launch::LaunchArgs const&) -> kaso::ErrorOr<kaso::ui::WidgetBox> { return build(); };
    auto result = kaso::ui::launch::run(std::move(descriptor));
    if (!result) {
        std::fprintf(stderr, "Error: %s\n", result.error().message.c_str());
        return 1;
    }
    return 0;
}
