#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/screens/DeviceSection.h"
#include "src/widgets/Flex.h"
#include "src/widgets/Switch.h"

namespace vexa {

// The playback, SponsorBlock and DeArrow choices with their switches and pills, then the device
// section. Every control only queues its action; the rebuilt page shows the new values.
kaso::ui::Scrollable settings_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    DeviceSectionInput const& devices);

// A bordered panel: the title, then the items with a divider between each two.
Flex settings_section(kaso::ui::Theme const& theme, std::string title, std::vector<Flex> items);
// A title and subtitle beside a switch; a row that is not enabled shows both texts muted (its
// switch still acts).
enum class RowEnabled : bool {
    No,
    Yes,
};
Flex settings_row(kaso::ui::Theme const& theme, std::string title, std::string subtitle, Switch control, RowEnabled enabled);
Flex enabled_settings_row(kaso::ui::Theme const& theme, std::string title, std::string subtitle, Switch control);

// The quality the quality pill asks for next: the one after `preferred` in the cycle
// 1080p, 720p, 480p, auto (wrapping), or "720p" for a text outside it.
std::string_view next_quality(std::string_view preferred);

}
