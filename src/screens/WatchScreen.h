#pragma once

#include <string_view>
#include <vector>

#include "kaso/ui/PlayerControls.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "kaso/ui/VideoPlayer.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/Cards.h"
#include "src/screens/ControlBindings.h"

namespace vexa {

// Where the Watch page sits: the shared player it hosts, the width left beside the rail and
// the window's height (both in logical pixels), and the bindings of its runtime controls.
struct WatchSurface {
    kaso::ui::SharedVideoPlayer player;
    double content_width { 0 };
    double viewport_height { 1 };
    ControlBindings bindings {};
};

// The page of one video: the hosted player (with the SponsorBlock marks and the quality choice
// handed to it), the skip button over a shown segment, then the title, controls, creator,
// description and comments beside (or, below 900 wide, above) the "Up next" list. An unknown
// video gives "Video unavailable" and leaves the player alone.
kaso::ui::Scrollable watch_screen(VexaModel const& model, kaso::ui::Theme const& theme, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, std::string_view video_id, WatchSurface const& surface);

// The timeline marks of a video's segments, as fractions of its duration (at least 1 s): none
// with SponsorBlock off, and none for a category that is disabled.
std::vector<kaso::ui::TimelineMark> sponsor_marks(VexaModel const& model, Video const& video);
// The index of the preferred quality among the player's options; 0 for any other text.
std::size_t quality_index(std::string_view preferred);
// The player's "resolution" setting: label "Resolution", the four quality labels, the preferred
// one chosen.
kaso::ui::PlayerSetting quality_setting(std::string_view preferred_quality);
// The player's width and height: 65 % of the window's height at 16:9, no wider than the
// content, at least 1 by 1.
std::pair<double, double> player_size(double content_width, double viewport_height);

}
