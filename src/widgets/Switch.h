#pragma once

#include <optional>
#include <string>

#include "kaso/ui/Widget.h"
#include "src/actions/OperationQueue.h"
#include "src/actions/UiAction.h"

namespace vexa {

// An on/off control. It shows the state the model had when the page was built and, when
// activated, pushes its UiAction into the shared queue; it never flips itself — the rebuilt page
// shows the new state. A click activates it (it tracks no press); keys and accessibility reach
// it through perform_action.
class Switch final : public kaso::ui::Widget {
public:
    static constexpr float width = 46;
    static constexpr float height = 26;
    // The accessibility role of an on/off switch; its state is announced as the description.
    static constexpr int switch_role = 23;

    Switch(OperationQueueHandle queue, UiAction action, bool on);

    Switch&& with_id(std::string id) &&;
    Switch&& with_label(std::string label) &&;

    bool is_on() const { return m_on; }
    bool is_hovered() const { return m_hovered; }
    UiAction const& action() const { return m_action; }
    void emit() const;

    // Widget
    char const* type_name() const override { return "Switch"; }
    std::optional<std::string> widget_id() const override { return m_id; }
    kaso::layout::NodeId build_layout(kaso::layout::Tree& tree, kaso::ui::BuildContext& context, kaso::ui::NodeMap& nodes) override;
    void sync(kaso::ui::SyncContext&) override { }
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;
    void handle_event(kaso::ui::EventContext& context) override;
    kaso::ui::CursorShape cursor_shape(kaso::ui::Point point) const override { return m_rect.contains(point) ? 3 : 0; }
    bool is_focusable() const override { return true; }
    void set_focus(bool focused) override;
    bool is_focused() const override { return m_focused; }
    bool perform_action(kaso::ui::ActionRequest const& request) override;
    std::optional<kaso::ui::AccessNode> accessibility() const override;
    bool needs_redraw() const override { return m_dirty; }
    void mark_drawn() override { m_dirty = false; }
    bool is_layout_dirty() const override { return m_rect == kaso::ui::Rect {}; }

private:
    UiAction m_action;
    OperationQueueHandle m_queue;
    std::optional<std::string> m_id;
    std::optional<std::string> m_label;
    bool m_on { false };
    bool m_hovered { false };
    bool m_focused { false };
    bool m_dirty { true };
};

}
