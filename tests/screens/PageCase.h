#pragma once

// One row of a page table, the models the rows start from, and the check of a built page
// against its row.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "src/backend/SampleCatalogue.h"
#include "src/screens/Pages.h"
#include "src/widgets/Switch.h"
#include "tests/screens/TreeSearch.h"

namespace vexa::test {

// Built with chained setters.
struct PageCase {
    std::string title;
    std::function<VexaModel()> make_model;
    Route page_route;
    float page_scale { 1.0f };
    double content_width { 1000 };
    DeviceSectionInput device_input;
    std::vector<std::string> present_ids;
    std::vector<std::string> missing_ids;
    std::vector<std::string> present_texts;
    std::vector<std::string> missing_texts;
    std::vector<std::pair<std::string, UiAction>> actions;
    std::optional<std::vector<std::string>> cards;  // the "video_card_" ids, in order
    std::optional<std::vector<UiAction>> held;      // every action the page's boxes and switches hold, in tree order

    PageCase&& name(std::string value) && { title = std::move(value); return std::move(*this); }
    PageCase&& model(std::function<VexaModel()> value) && { make_model = std::move(value); return std::move(*this); }
    PageCase&& route(Route value) && { page_route = std::move(value); return std::move(*this); }
    PageCase&& scale(float value) && { page_scale = value; return std::move(*this); }
    PageCase&& width(double value) && { content_width = value; return std::move(*this); }
    PageCase&& devices(DeviceSectionInput value) && { device_input = std::move(value); return std::move(*this); }
    PageCase&& ids(std::vector<std::string> value) && { present_ids = std::move(value); return std::move(*this); }
    PageCase&& absent_ids(std::vector<std::string> value) && { missing_ids = std::move(value); return std::move(*this); }
    PageCase&& texts(std::vector<std::string> value) && { present_texts = std::move(value); return std::move(*this); }
    PageCase&& absent_texts(std::vector<std::string> value) && { missing_texts = std::move(value); return std::move(*this); }
    PageCase&& activations(std::vector<std::pair<std::string, UiAction>> value) && { actions = std::move(value); return std::move(*this); }
    PageCase&& card_order(std::vector<std::string> value) && { cards = std::move(value); return std::move(*this); }
    PageCase&& holds(std::vector<UiAction> value) && { held = std::move(value); return std::move(*this); }
};

inline VexaModel empty_with(std::function<void(VexaModel&)> change)
{
    auto model = VexaModel::empty();
    change(model);
    return model;
}

inline VexaModel sample_with(std::function<void(VexaModel&)> change)
{
    auto model = sample_catalogue();
    change(model);
    return model;
}

// Every action the page's boxes and switches hold, in tree order.
inline std::vector<UiAction> held_actions(kaso::ui::Widget& page)
{
    std::vector<UiAction> actions;
    for (auto* widget : all_widgets(page)) {
        if (auto* flex = dynamic_cast<Flex*>(widget); flex && flex->action())
            actions.push_back(*flex->action());
        if (auto* control = dynamic_cast<Switch*>(widget))
            actions.push_back(control->action());
    }
    return actions;
}

inline kaso::ui::Scrollable build_case_page(PageCase const& row, VexaModel const& model, OperationQueueHandle const& queue)
{
    WatchSurface surface { nullptr, row.content_width, 800 };
    return route_screen(model, kaso::ui::Theme::dark(), row.page_scale, queue, nullptr, row.page_route, surface, row.device_input);
}

inline void check_page(PageCase const& row)
{
    SCOPED_TRACE(row.title);
    auto model = row.make_model();
    auto queue = OperationQueue::create();
    auto page = build_case_page(row, model, queue);
    expect_tree(page, row, queue);
    if (::testing::Test::HasFatalFailure())
        return;
    if (row.cards) {
        EXPECT_EQ(ids_with_prefix(page, "video_card_"), *row.cards);
    }
    if (row.held) {
        EXPECT_EQ(held_actions(page), *row.held);
    }
}

}
