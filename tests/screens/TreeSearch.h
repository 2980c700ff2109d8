#pragma once

// Finding widgets in a built page tree by element id, type and text, and activating them.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "kaso/ui/Text.h"
#include "kaso/ui/Widget.h"
#include "src/actions/OperationQueue.h"

namespace vexa::test {

// Every widget of the tree, parents before their children, in child order.
inline std::vector<kaso::ui::Widget*> all_widgets(kaso::ui::Widget& root)
{
    std::vector<kaso::ui::Widget*> found;
    std::function<void(kaso::ui::Widget&)> visit = [&](kaso::ui::Widget& widget) {
        found.push_back(&widget);
        widget.for_each_child(visit);
    };
    visit(root);
    return found;
}

inline kaso::ui::Widget* find_by_id(kaso::ui::Widget& root, std::string_view id)
{
    for (auto* widget : all_widgets(root))
        if (widget->widget_id() == id)
            return widget;
    return nullptr;
}

// Widgets whose id begins with `prefix`, in tree order.
inline std::vector<std::string> ids_with_prefix(kaso::ui::Widget& root, std::string_view prefix)
{
    std::vector<std::string> ids;
    for (auto* widget : all_widgets(root))
        if (auto id = widget->widget_id(); id && id->starts_with(prefix))
            ids.push_back(*id);
    return ids;
}

template<typename T>
std::vector<T*> widgets_of_type(kaso::ui::Widget& root)
{
    std::vector<T*> found;
    for (auto* widget : all_widgets(root))
        if (auto* typed = dynamic_cast<T*>(widget))
            found.push_back(typed);
    return found;
}

// The texts of every Text label, in tree order.
inline std::vector<std::string> label_texts(kaso::ui::Widget& root)
{
    std::vector<std::string> texts;
    for (auto* text : widgets_of_type<kaso::ui::Text>(root))
        texts.push_back(text->text());
    return texts;
}

inline kaso::ui::Text* find_text(kaso::ui::Widget& root, std::string_view text)
{
    for (auto* label : widgets_of_type<kaso::ui::Text>(root))
        if (label->text() == text)
            return label;
    return nullptr;
}

inline bool has_text(kaso::ui::Widget& root, std::string_view text) { return find_text(root, text) != nullptr; }

// Asks the widget for its default action, as the keyboard and accessibility do, and answers
// the one action that reached the queue (none when nothing or more than one did).
inline std::optional<UiAction> activate(kaso::ui::Widget& widget, OperationQueueHandle const& queue)
{
    queue->drain();
    kaso::ui::ActionRequest request;
    request.kind = kaso::ui::ActionRequestKind::Default;
    widget.perform_action(request);
    auto pushed = queue->drain();
    if (pushed.size() != 1)
        return std::nullopt;
    return pushed.front();
}

// Checks a built tree against a table row: the element ids and texts it must and must not hold,
// and the action each listed element queues when activated.
template<typename Row>
void expect_tree(kaso::ui::Widget& page, Row const& row, OperationQueueHandle const& queue)
{
    for (auto const& id : row.present_ids)
        EXPECT_NE(find_by_id(page, id), nullptr) << "missing id " << id;
    for (auto const& id : row.missing_ids)
        EXPECT_EQ(find_by_id(page, id), nullptr) << "unexpected id " << id;
    for (auto const& text : row.present_texts)
        EXPECT_TRUE(has_text(page, text)) << "missing text " << text;
    for (auto const& text : row.missing_texts)
        EXPECT_FALSE(has_text(page, text)) << "unexpected text " << text;
    for (auto const& [id, expected] : row.actions) {
        auto* widget = find_by_id(page, id);
        ASSERT_NE(widget, nullptr) << id;
        EXPECT_EQ(activate(*widget, queue), expected) << "activating " << id;
    }
}

}
