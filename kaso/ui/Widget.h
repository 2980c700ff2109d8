#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "kaso/actions/ActionEmitter.h"
#include "kaso/actions/EncodedAction.h"
#include "kaso/actions/Resource.h"
#include "kaso/search/SearchProvider.h"
#include "kaso/ui/Event.h"
#include "kaso/ui/Geometry.h"
#include "kaso/ui/Interaction.h"
#include "kaso/ui/PlayerModeControl.h"
#include "kaso/ui/layout/Tree.h"

namespace automerge {
class Document;
}

namespace kaso::actions {
class LibraryStore;
}

namespace kaso::ui {

class Scene;
class TextRenderer;
class Widget;
struct Theme;

// What building a layout tree may read: the theme, the display scale and the text measurer.
struct BuildContext {
    Theme const& theme;
    float scale { 1.0f };
    TextRenderer& text;
};

// The layout node each widget made in the last build, so events and hit tests can find it.
using NodeMap = std::unordered_map<Widget const*, layout::NodeId>;

// What a frame's sync may read: the shared library document (none while the runtime keeps no
// document) and the frame's time; and the store that keeps the document, which is what changes
// are dispatched onto. Both are handed to each call and belong to the runtime: nothing keeps them.
struct SyncContext {
    automerge::Document const* library { nullptr };
    uint64_t now_ms { 0 }; // monotonic
    actions::LibraryStore* library_store { nullptr };
};

struct DrawContext {
    TextRenderer& text;
    Theme const& theme;
    Rect visible; // logical pixels, in scene coordinates
    uint64_t now_ms { 0 }; // monotonic
    float scale { 1.0f };  // device pixels per logical pixel
};

// What became of an operation handed to `execute_operation`: none when it is not the widget's
// (the runtime offers it elsewhere), the refusal's text, or done.
using OperationOutcome = std::optional<kaso::ErrorOr<void>>;

// One input event on its way through the tree. A widget that consumes it sets `handled`, which
// stops delivery; it may ask for the focus of an element (by id, or itself when it has none).
struct EventContext {
    Event const& event;
    Modifiers modifiers;
    float scale { 1.0f };
    bool handled { false };
    std::optional<FocusRequest> focus_request {};
    // The runtime's library store, to dispatch changes onto while the event is handled; none
    // while the runtime keeps no library, and inside the tree (only the root dispatches).
    actions::LibraryStore* library_store { nullptr };

    // The pointer position of a pointer event in logical pixels (divided by the scale factor).
    std::optional<Point> logical_position() const;
};

// Everything on screen. The runtime drives the root each frame — sync, then a layout build when
// the structure changed, then draw — and passes input down the tree. Every hook has a default:
// leaves answer empty, false or none; containers ask their children. A container exposes its
// children through `for_each_child`, the one traversal, and inherits the rest: every walk over
// the children (painting, event delivery, placement, the questions of the frame loop) is built
// on it here, so all containers visit their children in the same orders:
//
//   painting: the children that are not overlays in order, then the overlays in order, so an
//             overlay lies on top of its siblings;
//   input:    a child that captures the pointer alone; otherwise the overlays in order, then the
//             others in order, until one handles the event. (Siblings that do not overlap see the
//             same either way; the order tells only where they overlap or act on events outside
//             themselves, such as keys.)
class Widget {
public:
    virtual ~Widget() = default;

    virtual char const* type_name() const { return "Widget"; }
    virtual PlayerModeControl* as_player_mode_control() { return nullptr; }
    virtual PlayerModeControl const* as_player_mode_control() const { return nullptr; }
    virtual std::optional<std::string> widget_id() const { return std::nullopt; }

    // Per-frame: read the shared document and whatever else changes between frames.
    virtual void sync(SyncContext& context);
    virtual void update() { }

    // Adds this widget's node (and its children's) to the tree, records it in `nodes`, and
    // returns it. A leaf without children gets a node measured by `measure`.
    virtual layout::NodeId build_layout(layout::Tree& tree, BuildContext& context, NodeMap& nodes);
    virtual layout::Style layout_style() const { return {}; }
    // A leaf's content size; none for a leaf sized by its style alone.
    virtual std::optional<layout::Size<float>> measure(layout::Size<std::optional<float>> known,
        layout::Size<layout::AvailableSpace> available, BuildContext& context);

    // Keeps the absolute rectangle of `node` (its origin offset by x, y) and places the children.
    virtual void apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y);
    Rect layout_rect() const { return m_rect; }

    virtual void draw(Scene& scene, DrawContext& context);
    // Draws the widget only when it meets the visible rectangle.
    void draw_with_presence(Scene& scene, DrawContext& context);
    virtual void draw_overlay(Scene& scene, DrawContext& context);

    virtual void handle_event(EventContext& context);

    virtual void for_each_child(std::function<void(Widget&)> const&) { }
    void for_each_child(std::function<void(Widget const&)> const& visit) const;
    std::vector<Widget*> children();
    // Visits the children in input order until `visit` answers true; answers whether one did.
    bool find_child_in_input_order(std::function<bool(Widget&)> const& visit);
    // Whether any child answers true (the rest are not asked).
    bool any_child(std::function<bool(Widget const&)> const& predicate) const;

    virtual CursorShape cursor_shape(Point) const { return CursorShape::Default; }
    virtual std::optional<std::string> action_label() const { return std::nullopt; }
    // The rectangle and non-empty action label of the deepest labelled widget under the point.
    virtual std::optional<std::pair<Rect, std::string>> label_at_point(Point point);

    virtual bool is_focusable() const { return false; }
    virtual void set_focus(bool) { }
    virtual bool is_focused() const { return false; }
    virtual bool perform_action(ActionRequest const&) { return false; }
    virtual std::optional<AccessNode> accessibility() const { return std::nullopt; }
    // "kaso.key-action:<id>" is parsed and handed to `perform_action`.
    bool perform_key_action(std::string_view id);

    virtual bool is_overlay() const { return false; }
    virtual bool wants_pointer_capture() const { return false; }
    virtual bool reveal_descendant(std::string_view id);

    virtual bool needs_animation_frame() const;
    virtual std::optional<uint64_t> next_wake_deadline() const; // monotonic ms; the earliest child's
    virtual bool take_structure_dirty() { return false; }
    virtual bool needs_redraw() const { return false; }
    virtual void collect_damage(std::vector<Rect>& damage) const;
    virtual void mark_drawn();
    virtual bool is_layout_dirty() const { return false; }
    virtual bool layout_needs_measure() const;

    virtual bool needs_commit() const;
    // The oldest invocation a bound control (or the root itself) has waiting: its own first, then
    // its children's in order.
    virtual std::optional<kaso::actions::ControlInvocation> take_control_invocation();
    // The runtime's word on which actions can run now, passed to every bound control.
    virtual void refresh_control_action_availability(kaso::actions::ActionAvailability const& available);
    // The controls bound to actions, in tree order: by default the widget's own semantic
    // bindings first, then its children's.
    virtual std::vector<kaso::actions::ControlBinding> control_action_bindings() const;
    // The bindings of this widget itself (a switch reports its own), without its children's.
    virtual std::vector<kaso::actions::ControlBinding> semantic_action_bindings() const { return {}; }
    virtual std::vector<std::string> action_namespaces() const { return {}; }
    void collect_action_namespaces(std::set<std::string>& namespaces) const;

    // Asked of the root only.
    virtual bool needs_idle_sync() const { return false; }
    virtual std::vector<kaso::actions::Resource> action_resources() const { return {}; }
    // What the application offers the runtime's search.
    virtual std::vector<kaso::search::SearchProviderHandle> search_providers() const { return {}; }
    // Carries out an operation of a namespace the tree declared, checked against the operation
    // type its action was declared with.
    virtual OperationOutcome execute_operation(uint8_t declared_type, kaso::actions::EncodedAction const&);

protected:
    // The shared walks, for containers that add to the default behaviour.
    std::vector<layout::NodeId> build_child_nodes(layout::Tree& tree, BuildContext& context, NodeMap& nodes);
    // Places the children at the child nodes of `node`, paired in order (as many as both have),
    // relative to this widget's own origin.
    void place_children(layout::Tree const& tree, layout::NodeId node);
    void draw_children(Scene& scene, DrawContext& context);
    void deliver_to_children(EventContext& context);

    Rect m_rect;
};

using WidgetBox = std::unique_ptr<Widget>;

}
