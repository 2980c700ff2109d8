#include "src/screens/SearchPage.h"

#include <fmt/format.h>

#include "src/model/Text.h"
#include "src/screens/Builders.h"
#include "src/screens/Buttons.h"
#include "src/screens/Grids.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr std::size_t search_skeletons = 8;

struct Results {
    std::vector<Video const*> videos;
    std::vector<Playlist const*> playlists;
    std::vector<Channel const*> creators;

    std::size_t total() const { return videos.size() + playlists.size() + creators.size(); }
};

Results collect(VexaModel const& model, std::string_view query)
{
    Results results;
    if (model.result_types.videos)
        results.videos = model.search_results(query);
    if (model.result_types.playlists)
        results.playlists = model.search_playlists(query);
    if (model.result_types.creators)
        results.creators = model.search_channels(query);
    return results;
}

Flex type_chip(Theme const& theme, OperationQueueHandle const& queue, uint8_t kind, std::string label, bool active)
{
    BoxStyle normal = BoxStyle::filled(active ? theme.highlight : theme.control_fill, theme.control_radius);
    BoxStyle hover = BoxStyle::filled(active ? theme.highlight_fill_hover : theme.control_fill_hover, theme.control_radius);
    Color ink = active ? with_contrast_text_color(theme.highlight).second : theme.text;
    return Flex::row()
        .with_id("type_chip_" + text::lowercase(label))
        .padding_each(14, 7, 14, 7)
        .style(normal)
        .hover_style(hover)
        .with_child(colored_label(label, 13, ink))
        .with_action(queue, UiAction::toggle_result_type(kind))
        .with_label(std::move(label));
}

Flex type_chips(VexaModel const& model, Theme const& theme, OperationQueueHandle const& queue)
{
    return Flex::row()
        .with_id("search_type_chips")
        .width(Length::fill())
        .gap(8)
        .with_child(type_chip(theme, queue, 0, "Video", model.result_types.videos))
        .with_child(type_chip(theme, queue, 1, "Playlist", model.result_types.playlists))
        .with_child(type_chip(theme, queue, 2, "Creator", model.result_types.creators));
}

Flex results_column(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Results const& results)
{
    auto column = Flex::column().width(Length::fill()).gap(18);
    if (!results.creators.empty()) {
        auto creators = Flex::column().with_id("creator_results").width(Length::fill()).gap(8);
        for (auto const* creator : results.creators)
            creators.with_child(creator_card(model, theme, queue, images, *creator));
        column.with_child(std::move(creators));
    }
    if (!results.playlists.empty()) {
        std::vector<Flex> cards;
        for (auto const* playlist : results.playlists)
            cards.push_back(playlist_card(theme, queue, images, *playlist));
        column.with_child(card_grid(scale, std::move(cards), "playlist_grid"));
    }
    if (!results.videos.empty()) {
        if (results.total() == 1) {
            column.with_child(Flex::row()
                                  .with_id("sparse_video_result")
                                  .width(Length::fill())
                                  .justify(Justify::Center)
                                  .with_child(Flex::column().width(Length::px(440)).with_child(
                                      video_card(model, theme, scale, queue, images, *results.videos.front()))));
        } else {
            column.with_child(video_grid(scale, video_cards(model, theme, scale, queue, images, results.videos)));
        }
    }
    return column;
}

}

Scrollable search_screen(VexaModel const& model, Theme const& theme, float scale, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    std::string_view query)
{
    auto results = collect(model, query);
    auto page = Flex::column().width(Length::fill()).padding(24).gap(18).with_child(type_chips(model, theme, queue));
    if (model.searching) {
        page.with_child(loading_grid(theme, scale, search_skeletons));
    } else if (model.search_error) {
        page.with_child(empty_state(theme, "Search delayed", *model.search_error));
    } else if (text::trim(query).empty()) {
        page.with_child(empty_state(theme, "Search Vexa", "Type a query above to find videos, playlists and creators."));
    } else if (results.total() == 0) {
        page.with_child(empty_state(theme, "No results", "Nothing matched that search — try different words or filters."));
    } else {
        auto total = results.total();
        page.with_child(Flex::column()
                            .with_id("search_results_summary")
                            .gap(3)
                            .with_child(text_label(theme, "Search results", 20))
                            .with_child(colored_label(fmt::format("{} {} shown", total, total == 1 ? "result" : "results"), 13, theme.text_muted)));
        page.with_child(results_column(model, theme, scale, queue, images, results));
    }
    return page_scroll(std::move(page));
}

}
