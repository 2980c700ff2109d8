#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaso/actions/ActionEmitter.h"
#include "kaso/ui/Theme.h"
#include "kaso/ui/Widget.h"
#include "src/actions/OperationQueue.h"
#include "src/actions/UiAction.h"
#include "src/widgets/FlexStyle.h"

namespace vexa {

// The one container every page is built from: a flexbox row or column, a block column or an
// auto-fill grid of its children, optionally painting a rounded box behind them (another while
// hovered), optionally actionable — a click, Enter or Space pushes its UiAction into the shared
// operation queue.
//
// Built by value with chained calls: Flex::column().gap(8).padding(16).with_child(...).
class Flex final : public kaso::ui::Widget {
public:
    explicit Flex(Direction direction);
    static Flex row() { return Flex(Direction::Row); }
    static Flex column() { return Flex(Direction::Column); }

    Flex(Flex&&) = default;
    static kaso::layout::Edges<float> layout_edges(float all) { return { all, all, all, all }; }
    Flex& operator=(Flex&&) = default;

#define VEXA_FLEX_SETTER(name, type, body)              \
    Flex& name(type value) &                            \
    {                                                   \
        body;                                           \
        return *this;                                   \
    }                                                   \
    Flex&& name(type value) &&                          \
    {                                                   \
        body;                                           \
        return std::move(*this);                        \
    }

    VEXA_FLEX_SETTER(padding, float, (m_padding = layout_edges(value)))
    VEXA_FLEX_SETTER(with_id, std::string, m_id = std::move(value))
    VEXA_FLEX_SETTER(with_label, std::string, set_label(std::move(value)))
    VEXA_FLEX_SETTER(width, Length, m_width = value)
    VEXA_FLEX_SETTER(height, Length, m_height = value)
    VEXA_FLEX_SETTER(min_width, float, m_min_width = value)
    VEXA_FLEX_SETTER(min_height, float, m_min_height = value)
    VEXA_FLEX_SETTER(max_width, float, m_max_width = value)
    VEXA_FLEX_SETTER(grid_min_column, float, m_grid_min_column = value)
    VEXA_FLEX_SETTER(gap, float, m_gap = value)
    VEXA_FLEX_SETTER(grow, float, m_grow = value)
    VEXA_FLEX_SETTER(shrink, float, m_shrink = value)
    VEXA_FLEX_SETTER(align, Align, m_align = value)
    VEXA_FLEX_SETTER(justify, Justify, m_justify = value)
    VEXA_FLEX_SETTER(wrap, bool, m_wrap = value)
    VEXA_FLEX_SETTER(style, BoxStyle, m_style = std::move(value))
    VEXA_FLEX_SETTER(hover_style, BoxStyle, m_hover_style = std::move(value))
    VEXA_FLEX_SETTER(clip, bool, m_clip = value)
    VEXA_FLEX_SETTER(overlay, bool, m_overlay = value)
    VEXA_FLEX_SETTER(capture_pointer, bool, m_capture_pointer = value)
    VEXA_FLEX_SETTER(block, bool, m_block = value)
    VEXA_FLEX_SETTER(with_child, kaso::ui::WidgetBox, append_child(std::move(value)))
#undef VEXA_FLEX_SETTER

    Flex& padding_each(float left, float top, float right, float bottom) &;
    Flex&& padding_each(float left, float top, float right, float bottom) &&;
    Flex& with_action(OperationQueueHandle queue, UiAction action) &;
    Flex&& with_action(OperationQueueHandle queue, UiAction action) &&;
    // Acts through the runtime's action system instead: drops any action and queue, and a
    // later with_action is ignored.
    Flex& with_control(kaso::actions::ActionEmitter emitter) &;
    Flex&& with_control(kaso::actions::ActionEmitter emitter) &&;

    template<std::derived_from<kaso::ui::Widget> W>
    Flex&& with_child(W&& child) &&
    {
        append_child(std::make_unique<std::decay_t<W>>(std::forward<W>(child)));
        return std::move(*this);
    }
    template<std::derived_from<kaso::ui::Widget> W>
    Flex& with_child(W&& child) &
    {
        append_child(std::make_unique<std::decay_t<W>>(std::forward<W>(child)));
        return *this;
    }
    template<std::derived_from<kaso::ui::Widget> W>
    Flex&& with_child_if(bool condition, W&& child) &&
    {
        if (condition)
            append_child(std::make_unique<std::decay_t<W>>(std::forward<W>(child)));
        return std::move(*this);
    }

    bool is_actionable() const { return m_control.has_value() || (m_action.has_value() && m_queue); }
    kaso::actions::ActionEmitter const* control() const { return m_control ? &*m_control : nullptr; }
    bool is_hovered() const { return m_hovered; }
    bool is_pressed() const { return m_pressed; }
    std::optional<UiAction> const& action() const { return m_action; }
    std::size_t child_count() const { return m_children.size(); }

    // Widget
    char const* type_name() const override { return "Flex"; }
    std::optional<std::string> widget_id() const override { return m_id; }
    kaso::layout::Style layout_style() const override;
    kaso::layout::NodeId build_layout(kaso::layout::Tree& tree, kaso::ui::BuildContext& context, kaso::ui::NodeMap& nodes) override;
    void apply_layout(kaso::layout::Tree const& tree, kaso::layout::NodeId node, double x, double y) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;
    void handle_event(kaso::ui::EventContext& context) override;
    void for_each_child(std::function<void(kaso::ui::Widget&)> const& visit) override;
    kaso::ui::CursorShape cursor_shape(kaso::ui::Point point) const override;
    std::optional<std::string> action_label() const override;
    bool is_focusable() const override { return is_actionable(); }
    void set_focus(bool focused) override;
    bool is_focused() const override { return m_focused; }
    std::optional<kaso::ui::AccessNode> accessibility() const override;
    bool perform_action(kaso::ui::ActionRequest const& request) override;
    bool wants_pointer_capture() const override;
    bool is_overlay() const override { return m_overlay; }
    bool take_structure_dirty() override;
    bool needs_redraw() const override;
    bool is_layout_dirty() const override;
    void mark_drawn() override;
    std::optional<kaso::actions::EncodedAction> take_control_invocation() override;
    void refresh_control_action_availability(kaso::actions::AvailableActions const& available) override;
    std::vector<kaso::actions::ControlBinding> control_action_bindings() const override;

private:
    void set_label(std::string label);
    void append_child(kaso::ui::WidgetBox child);
    bool activate();
    void paint_box(kaso::ui::Scene& scene) const;

    std::optional<BoxStyle> m_style;
    std::optional<BoxStyle> m_hover_style;
    std::optional<UiAction> m_action;
    OperationQueueHandle m_queue;
    std::optional<kaso::actions::ActionEmitter> m_control;
    std::vector<kaso::ui::WidgetBox> m_children;
    std::optional<std::string> m_label;
    std::optional<std::string> m_action_label;
    std::optional<std::string> m_id;
    std::optional<float> m_min_width;
    std::optional<float> m_min_height;
    std::optional<float> m_max_width;
    std::optional<float> m_grid_min_column;
    Length m_width;
    Length m_height;
    kaso::layout::Edges<float> m_padding {};
    float m_gap { 0 };
    float m_grow { 0 };
    float m_shrink { 0 };
    Direction m_direction;
    bool m_wrap { false };
    bool m_block { false };
    bool m_clip { false };
    bool m_capture_pointer { false };
    bool m_overlay { false };
    Align m_align;
    Justify m_justify { Justify::Start };
    bool m_hovered { false };
    bool m_pressed { false };
    bool m_focused { false };
    bool m_dirty { true };
    // Children in build order with their nodes, kept from the last layout for event delivery.
    std::vector<kaso::layout::NodeId> m_child_nodes;
};

// An empty row of a fixed size; an empty row that takes the free space; a one-pixel rule.
Flex fixed_box(float width, float height);
Flex fill_spacer();
Flex divider(kaso::ui::Theme const& theme);

}
