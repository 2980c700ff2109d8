// Plays one media file through the media engine and the video player widget in a real window,
// the way the Watch page does (a 1280 x 800 window, the player 520 high and letterboxed), for
// measuring what playback costs. When the window closes it prints how many pictures the player
// was handed by the engine:
//   pictures N
//   footprint_player FILE

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kaso/media/MediaEngine.h"
#include "kaso/ui/Launch.h"
#include "kaso/ui/VideoPlayer.h"
#include "src/widgets/PlayerHost.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: footprint_player FILE\n");
        return 2;
    }
    std::error_code error;
    auto path = std::filesystem::absolute(argv[1], error);
    if (error || !std::filesystem::is_regular_file(path)) {
        std::fprintf(stderr, "no such file: %s\n", argv[1]);
        return 2;
    }
    kaso::ui::SharedVideoPlayer player;
    kaso::ui::launch::LaunchDescriptor descriptor;
    descriptor.application_id = "io.kaso.player";
    descriptor.arguments = std::vector<std::string> {};
    descriptor.build_default = [&]() -> kaso::ui::WidgetBox {
        player = kaso::ui::VideoPlayer::with_engine(kaso::media::MediaEngine::create());
        if (auto opened = player->open("file://" + path.string()); !opened)
            std::fprintf(stderr, "cannot open: %s\n", opened.error().message.c_str());
        player->play();
        return std::make_unique<vexa::PlayerHost>(player, 520.0f);
    };
    descriptor.initial_window_size = [](kaso::ui::launch::LaunchArgs const&) { return kaso::ui::launch::WindowSize { 1280, 800 }; };
    auto launched = kaso::ui::launch::run(std::move(descriptor));
    if (!launched) {
        std::fprintf(stderr, "%s\n", launched.error().debug_text().c_str());
        return 1;
    }
    auto frame = player && player->engine() ? player->engine()->current_frame() : nullptr;
    std::printf("pictures %llu\n", static_cast<unsigned long long>(frame ? frame->serial : 0));
    std::fflush(stdout);
    // The engine's threads are not joined (as in the application): leave without destructors.
    std::_Exit(0);
}
