#include "src/screens/HistoryPage.h"

#include "src/screens/Builders.h"
#include "src/screens/Buttons.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr Icon history_icon = Icon::History;
constexpr Icon clear_icon = Icon::Clear;

}

Scrollable history_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images)
{
    auto rows = Flex::column().width(Length::fill()).gap(8);
    auto videos = model.history_videos();
    if (videos.empty())
        rows.with_child(empty_state(theme, "Nothing watched yet", "Videos you watch show up here."));
    for (auto const* video : videos)
        rows.with_child(compact_video_row(model, theme, queue, images, *video));
    if (model.history_notice)
        rows.with_child(empty_state(theme, "History recovery needed", *model.history_notice));

    auto header = Flex::row()
                      .width(Length::fill())
                      .gap(12)
                      .align(Align::Center)
                      .with_child(Flex::row().grow(1).with_child(
                          section_header(theme, scale, history_icon, "Watch history", "Private to this profile — syncs across your devices")));
    // Offered for ids the model has no video for too: they are still in the history.
    if (!model.history.empty())
        header.with_child(action_button(theme, queue, "Clear history", clear_icon, UiAction::clear_history(), ButtonKind::Secondary));

    return page_scroll(Flex::column()
                           .width(Length::fill())
                           .max_width(820)
                           .padding(24)
                           .gap(18)
                           .with_child(std::move(header))
                           .with_child(std::move(rows)));
}

}
