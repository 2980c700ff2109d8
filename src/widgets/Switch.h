#pragma once

#include <optional>
#include <string>

#include "kaso/ui/AbstractButton.h"
#include "src/actions/OperationQueue.h"
#include "src/actions/UiAction.h"

namespace vexa {

// An on/off control. It shows the state the model had when the page was built and, when
// activated, pushes its UiAction into the shared queue; it never flips itself — the rebuilt page
// shows the new state. A release over it activates it (it tracks no press) and focuses it; keys
// and accessibility reach it through perform_action.
class Switch final : public kaso::ui::AbstractButton {
public:
    static constexpr float width = 46;
    static constexpr float height = 26;

    Switch(OperationQueueHandle queue, UiAction action, bool on);

    Switch&& with_id(std::string id) &&;
    Switch&& with_label(std::string label) &&;

    bool is_on() const { return m_on; }
    UiAction const& action() const { return m_action; }
    void emit() const;

    // Widget
    char const* type_name() const override { return "Switch"; }
    std::optional<std::string> widget_id() const override { return m_id; }
    kaso::layout::NodeId build_layout(kaso::layout::Tree& tree, kaso::ui::BuildContext& context, kaso::ui::NodeMap& nodes) override;
    void sync(kaso::ui::SyncContext&) override { }
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;
    void handle_event(kaso::ui::EventContext& context) override { handle_button_event(context); }
    bool perform_action(kaso::ui::ActionRequest const& request) override;
    // Announced as a switch, its state as the description.
    std::optional<kaso::ui::AccessNode> accessibility() const override;
    bool is_layout_dirty() const override { return m_rect == kaso::ui::Rect {}; }

private:
    // AbstractButton
    bool activate() override;

    UiAction m_action;
    OperationQueueHandle m_queue;
    std::optional<std::string> m_id;
    std::optional<std::string> m_label;
    bool m_on { false };
};

}
