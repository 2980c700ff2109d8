#include "src/screens/Grids.h"

namespace vexa {

using namespace kaso::ui;

Flex skeleton_block(Theme const& theme, Length width, float height, double radius)
{
    return Flex::row().width(width).height(Length::px(height)).style(BoxStyle::filled(theme.control_fill, radius));
}

Flex skeleton_card(Theme const& theme)
{
    auto bars = Flex::column()
                    .grow(1)
                    .gap(7)
                    .with_child(skeleton_block(theme, Length::percent(0.92f), 12, 4))
                    .with_child(skeleton_block(theme, Length::percent(0.6f), 11, 4))
                    .with_child(skeleton_block(theme, Length::percent(0.4f), 11, 4));
    return Flex::column()
        .width(Length::fill())
        .gap(9)
        .padding(6)
        .with_child(skeleton_block(theme, Length::fill(), 169, theme.card_radius))
        .with_child(Flex::row()
                        .width(Length::fill())
                        .gap(10)
                        .align(Align::Start)
                        .with_child(skeleton_block(theme, Length::px(36), 36, 18))
                        .with_child(std::move(bars)));
}

Flex loading_grid(Theme const& theme, float scale, std::size_t count)
{
    std::vector<Flex> cards;
    cards.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        cards.push_back(skeleton_card(theme));
    return video_grid(scale, std::move(cards));
}

Flex card_grid(float scale, std::vector<Flex> items, std::string id)
{
    Flex grid = scale < 1.5f ? Flex::row().with_id(std::move(id)).width(Length::fill()).grid_min_column(300).gap(18).align(Align::Start)
                             : Flex::column().with_id(std::move(id)).width(Length::fill()).gap(24);
    for (auto& item : items)
        grid.with_child(std::move(item));
    return grid;
}

Flex video_grid(float scale, std::vector<Flex> items) { return card_grid(scale, std::move(items), "video_grid"); }

Flex height_spacer(float height) { return Flex::row().width(Length::fill()).height(Length::px(height)); }

}
