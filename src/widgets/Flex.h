#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaso/actions/ActionEmitter.h"
#include "kaso/ui/AbstractButton.h"
#include "kaso/ui/ContainerState.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/actions/UiAction.h"
#include "src/widgets/ActionTarget.h"
#include "src/widgets/BoxLook.h"
#include "src/widgets/FlexLayout.h"
#include "src/widgets/FlexStyle.h"

namespace vexa {

// The one container every page is built from: a flexbox row or column, a block column or an
// auto-fill grid of its children (FlexLayout), optionally painting a rounded box behind them,
// another while hovered (BoxLook), optionally actionable — a click, Enter or Space acts through
// its ActionTarget, with the press, hover and focus behaviour every button shares.
//
// A clipping box keeps to its own rectangle: it draws nothing of its children outside it and
// passes them no pointer event there. Other boxes' rectangles also cover content that overflows.
//
// Built by value with chained calls: Flex::column().gap(8).padding(16).with_child(...).
class Flex final : public kaso::ui::AbstractButton {
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

    VEXA_FLEX_SETTER(padding, float, (m_layout.padding = layout_edges(value)))
    VEXA_FLEX_SETTER(with_id, std::string, m_id = std::move(value))
    VEXA_FLEX_SETTER(with_label, std::string, set_label(std::move(value)))
    VEXA_FLEX_SETTER(width, Length, m_layout.width = value)
    VEXA_FLEX_SETTER(height, Length, m_layout.height = value)
    VEXA_FLEX_SETTER(min_width, float, m_layout.min_width = value)
    VEXA_FLEX_SETTER(min_height, float, m_layout.min_height = value)
    VEXA_FLEX_SETTER(max_width, float, m_layout.max_width = value)
    VEXA_FLEX_SETTER(grid_min_column, float, m_layout.grid_min_column = value)
    VEXA_FLEX_SETTER(gap, float, m_layout.gap = value)
    VEXA_FLEX_SETTER(grow, float, m_layout.grow = value)
    VEXA_FLEX_SETTER(shrink, float, m_layout.shrink = value)
    VEXA_FLEX_SETTER(align, Align, m_layout.align = value)
    VEXA_FLEX_SETTER(justify, Justify, m_layout.justify = value)
    VEXA_FLEX_SETTER(wrap, bool, m_layout.wrap = value)
    VEXA_FLEX_SETTER(style, BoxStyle, m_look.normal = std::move(value))
    VEXA_FLEX_SETTER(hover_style, BoxStyle, m_look.hover = std::move(value))
    VEXA_FLEX_SETTER(clip, bool, m_layout.clip = value)
    VEXA_FLEX_SETTER(overlay, bool, set_overlay(value))
    VEXA_FLEX_SETTER(capture_pointer, bool, set_capture_pointer(value))
    VEXA_FLEX_SETTER(block, bool, m_layout.block = value)
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

    bool is_actionable() const { return m_target.is_actionable(); }
    kaso::actions::ActionEmitter const* control() const { return m_target.control(); }
    std::optional<UiAction> const& action() const { return m_target.action(); }
    std::size_t child_count() const { return m_children.size(); }

    // Widget
    char const* type_name() const override { return "Flex"; }
    std::optional<std::string> widget_id() const override { return m_id; }
    kaso::layout::Style layout_style() const override { return m_layout.style(); }
    kaso::layout::NodeId build_layout(kaso::layout::Tree& tree, kaso::ui::BuildContext& context, kaso::ui::NodeMap& nodes) override;
    void apply_layout(kaso::layout::Tree const& tree, kaso::layout::NodeId node, double x, double y) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;
    void handle_event(kaso::ui::EventContext& context) override;
    void for_each_child(std::function<void(kaso::ui::Widget&)> const& visit) override;
    std::optional<std::string> action_label() const override;
    std::optional<kaso::ui::AccessNode> accessibility() const override;
    bool perform_action(kaso::ui::ActionRequest const& request) override;
    bool wants_pointer_capture() const override;
    bool is_overlay() const override { return m_overlay; }
    bool take_structure_dirty() override { return kaso::ui::children_take_structure_dirty(*this); }
    bool needs_redraw() const override { return is_dirty() || kaso::ui::children_need_redraw(*this); }
    bool is_layout_dirty() const override { return kaso::ui::children_layout_dirty(*this); }
    std::optional<kaso::actions::ControlInvocation> take_control_invocation() override;
    void refresh_control_action_availability(kaso::actions::ActionAvailability const& available) override;
    std::vector<kaso::actions::ControlBinding> control_action_bindings() const override;

private:
    // AbstractButton
    bool activate() override { return m_target.activate(); }
    bool is_enabled() const override { return is_actionable(); }

    void set_label(std::string label);
    void set_overlay(bool overlay);
    void set_capture_pointer(bool capture);
    void append_child(kaso::ui::WidgetBox child);

    FlexLayout m_layout;
    BoxLook m_look;
    ActionTarget m_target;
    std::vector<kaso::ui::WidgetBox> m_children;
    std::optional<std::string> m_label;
    std::optional<std::string> m_action_label;
    std::optional<std::string> m_id;
    bool m_capture_pointer { false };
    bool m_overlay { false };
    // Keeps pointer events outside a clipping box from its children.
    kaso::ui::PointerFence m_fence;
};

// An empty row of a fixed size; an empty row that takes the free space; a one-pixel rule.
Flex fixed_box(float width, float height);
Flex fill_spacer();
Flex divider(kaso::ui::Theme const& theme);

}
