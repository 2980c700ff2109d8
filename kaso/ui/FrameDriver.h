#pragma once

#include <memory>

#include "kaso/ui/ActionRuntime.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/Theme.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui {

// Drives a root widget through its frames, with no window of its own: the launcher feeds it
// the window's events and paints its scene, the offscreen renderer paints the scene into a
// picture. One frame is: sync, the structure-dirty check, a layout build when the structure (or
// the viewport) changed, then draw. Each layout build also reads the root's action tree for what
// may run; each event ends with the control invocations it left carried out.
class FrameDriver {
public:
    FrameDriver(WidgetBox root, Theme theme);

    Widget& root() { return *m_root; }
    Theme const& theme() const { return m_theme; }
    TextRenderer& text() { return m_text; }
    Scene const& scene() const { return m_scene; }

    // The window's size in logical pixels and its scale factor.
    void set_viewport(double width, double height, float scale);
    double width() const { return m_width; }
    double height() const { return m_height; }
    float scale() const { return m_scale; }

    // The runtime's library store, which must outlive the driver and its root: its document is
    // handed to every sync, and the store itself to every event, for the root to dispatch onto.
    void attach_library(actions::LibraryStore& store)
    {
        m_library = &store;
        m_actions.set_library(&store);
    }
    void set_action_registry(kaso::actions::ActionRegistry const* registry) { m_actions.set_registry(registry); }
    ActionRuntime& actions() { return m_actions; }
    // Fires the action of the control the root lists under `control_id` (see ActionRuntime).
    bool invoke_control(std::string_view control_id) { return m_actions.invoke_control(*m_root, control_id); }

    // Runs one frame and leaves its commands in `scene()`.
    void frame(uint64_t now_ms);

    // Passes one input event down the tree; a focus request moves the focus to that element.
    void dispatch(Event const& event, Modifiers modifiers);

    // Whether the root wants another frame at once (idle syncs, animation) and, otherwise, the
    // earliest monotonic time it wants to be woken.
    bool wants_frame() const;
    std::optional<uint64_t> next_wake_deadline() const;

    uint64_t layout_builds() const { return m_layout_builds; }

private:
    void rebuild_layout();
    // Solves the tree for the viewport and places the widgets.
    void solve_layout();

    WidgetBox m_root;
    Theme m_theme;
    TextRenderer m_text;
    Scene m_scene;
    layout::Tree m_tree;
    NodeMap m_nodes;
    layout::NodeId m_root_node;
    actions::LibraryStore* m_library { nullptr };
    ActionRuntime m_actions;
    double m_width { 1280 };
    double m_height { 800 };
    float m_scale { 1.0f };
    bool m_viewport_changed { true };
    uint64_t m_layout_builds { 0 };
    // Where the pointer was last seen over the window (device pixels); none after it left. A
    // rebuilt tree is told it, so hover matches the pointer without waiting for it to move.
    std::optional<Point> m_pointer;
};

}
