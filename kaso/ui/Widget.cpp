#include "kaso/ui/Widget.h"

#include <algorithm>
#include <span>

#include "kaso/ui/Scene.h"

namespace kaso::ui {

std::optional<Point> EventContext::logical_position() const
{
    float divisor = scale > 0 ? scale : 1.0f;
    return std::visit(
        [&](auto const& e) -> std::optional<Point> {
            using T = std::decay_t<decltype(e)>;
            if constexpr (requires { e.x; e.y; } && !std::is_same_v<T, Resized>)
                return Point { e.x / divisor, e.y / divisor };
            return std::nullopt;
        },
        event);
}

void Widget::sync(SyncContext& context)
{
    for_each_child([&](Widget& child) { child.sync(context); });
}

std::vector<layout::NodeId> Widget::build_child_nodes(layout::Tree& tree, BuildContext& context, NodeMap& nodes)
{
    // Each walk keeps what its visitor needs in one place, so the visitor holds a single reference
    // and std::function keeps it without allocating: these walks run over the whole tree each
    // frame.
    struct Walk {
        layout::Tree& tree;
        BuildContext& context;
        NodeMap& nodes;
        std::vector<layout::NodeId> child_nodes;
    } walk { tree, context, nodes, {} };
    for_each_child([&walk](Widget& child) { walk.child_nodes.push_back(child.build_layout(walk.tree, walk.context, walk.nodes)); });
    return std::move(walk.child_nodes);
}

layout::NodeId Widget::build_layout(layout::Tree& tree, BuildContext& context, NodeMap& nodes)
{
    auto child_nodes = build_child_nodes(tree, context, nodes);
    layout::NodeId node;
    if (!child_nodes.empty()) {
        node = tree.new_with_children(layout_style(), std::move(child_nodes));
    } else {
        // The context is the caller's local, but what it refers to lives as long as the tree:
        // keep a copy, since a later solve may measure again without a rebuild.
        node = tree.new_leaf_with_measure(layout_style(), [this, context](auto known, auto available) mutable {
            return measure(known, available, context).value_or(layout::Size<float> {});
        });
    }
    nodes[this] = node;
    return node;
}

std::optional<layout::Size<float>> Widget::measure(layout::Size<std::optional<float>>, layout::Size<layout::AvailableSpace>, BuildContext&)
{
    return std::nullopt;
}

void Widget::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    auto const& box = tree.layout(node);
    m_rect = Rect::from_origin_size(x + box.x, y + box.y, box.width, box.height);
    place_children(tree, node);
}

void Widget::place_children(layout::Tree const& tree, layout::NodeId node)
{
    struct Walk {
        layout::Tree const& tree;
        std::span<layout::NodeId const> child_nodes;
        Point origin;
        std::size_t index { 0 };
    } walk { tree, tree.children(node), { m_rect.x0, m_rect.y0 } };
    for_each_child([&walk](Widget& child) {
        if (walk.index < walk.child_nodes.size())
            child.apply_layout(walk.tree, walk.child_nodes[walk.index], walk.origin.x, walk.origin.y);
        ++walk.index;
    });
}

void Widget::draw(Scene& scene, DrawContext& context) { draw_children(scene, context); }

void Widget::draw_children(Scene& scene, DrawContext& context)
{
    struct Walk {
        Scene& scene;
        DrawContext& context;
        bool any_overlay { false };
    } walk { scene, context };
    for_each_child([&walk](Widget& child) {
        if (child.is_overlay())
            walk.any_overlay = true;
        else
            child.draw_with_presence(walk.scene, walk.context);
    });
    if (!walk.any_overlay)
        return;
    for_each_child([&walk](Widget& child) {
        if (child.is_overlay())
            child.draw_with_presence(walk.scene, walk.context);
    });
}

void Widget::draw_with_presence(Scene& scene, DrawContext& context)
{
    if (!m_rect.is_empty() && !m_rect.intersects(context.visible))
        return;
    draw(scene, context);
}

void Widget::draw_overlay(Scene& scene, DrawContext& context)
{
    for_each_child([&](Widget& child) { child.draw_overlay(scene, context); });
}

void Widget::handle_event(EventContext& context) { deliver_to_children(context); }

void Widget::deliver_to_children(EventContext& context)
{
    Widget* capturing = nullptr;
    for_each_child([&](Widget& child) {
        if (!capturing && child.wants_pointer_capture())
            capturing = &child;
    });
    if (capturing) {
        capturing->handle_event(context);
        return;
    }
    find_child_in_input_order([&](Widget& child) {
        if (context.handled)
            return true;
        child.handle_event(context);
        return context.handled;
    });
}

void Widget::for_each_child(std::function<void(Widget const&)> const& visit) const
{
    const_cast<Widget*>(this)->for_each_child([&](Widget& child) { visit(child); });
}

std::vector<Widget*> Widget::children()
{
    std::vector<Widget*> out;
    for_each_child([&](Widget& child) { out.push_back(&child); });
    return out;
}

bool Widget::find_child_in_input_order(std::function<bool(Widget&)> const& visit)
{
    // The overlays first, then the others, each group in child order.
    struct Walk {
        std::function<bool(Widget&)> const& visit;
        bool any_other { false };
        bool found { false };
    } walk { visit };
    for_each_child([&walk](Widget& child) {
        if (walk.found)
            return;
        if (child.is_overlay())
            walk.found = walk.visit(child);
        else
            walk.any_other = true;
    });
    if (walk.found || !walk.any_other)
        return walk.found;
    for_each_child([&walk](Widget& child) {
        if (!walk.found && !child.is_overlay())
            walk.found = walk.visit(child);
    });
    return walk.found;
}

bool Widget::any_child(std::function<bool(Widget const&)> const& predicate) const
{
    bool any = false;
    for_each_child([&](Widget const& child) { any = any || predicate(child); });
    return any;
}

std::optional<std::pair<Rect, std::string>> Widget::label_at_point(Point point)
{
    if (!m_rect.contains(point))
        return std::nullopt;
    // The children answer in the order a click there would reach them.
    std::optional<std::pair<Rect, std::string>> found;
    find_child_in_input_order([&](Widget& child) {
        found = child.label_at_point(point);
        return found.has_value();
    });
    if (found)
        return found;
    if (auto label = action_label(); label && !label->empty())
        return std::pair { m_rect, *label };
    return std::nullopt;
}

bool Widget::perform_key_action(std::string_view id)
{
    constexpr std::string_view prefix = "kaso.key-action:";
    if (!id.starts_with(prefix))
        return false;
    return perform_action(ActionRequest { ActionRequestKind::Named, std::string(id.substr(prefix.size())) });
}

bool Widget::reveal_descendant(std::string_view id)
{
    bool any = false;
    for_each_child([&](Widget& child) { any = child.reveal_descendant(id) || any; });
    return any;
}

bool Widget::needs_animation_frame() const
{
    return any_child([](Widget const& child) { return child.needs_animation_frame(); });
}

std::optional<uint64_t> Widget::next_wake_deadline() const
{
    std::optional<uint64_t> earliest;
    for_each_child([&](Widget const& child) {
        if (auto deadline = child.next_wake_deadline(); deadline && (!earliest || *deadline < *earliest))
            earliest = deadline;
    });
    return earliest;
}

void Widget::collect_damage(std::vector<Rect>& damage) const
{
    if (needs_redraw())
        damage.push_back(m_rect);
    for_each_child([&](Widget const& child) { child.collect_damage(damage); });
}

void Widget::mark_drawn()
{
    for_each_child([](Widget& child) { child.mark_drawn(); });
}

bool Widget::layout_needs_measure() const
{
    bool has_children = false;
    bool any = false;
    for_each_child([&](Widget const& child) {
        has_children = true;
        any = any || child.layout_needs_measure();
    });
    return has_children ? any : is_layout_dirty();
}

bool Widget::needs_commit() const
{
    return any_child([](Widget const& child) { return child.needs_commit(); });
}

std::optional<kaso::actions::ControlInvocation> Widget::take_control_invocation()
{
    std::optional<kaso::actions::ControlInvocation> found;
    for_each_child([&](Widget& child) {
        if (!found)
            found = child.take_control_invocation();
    });
    return found;
}

void Widget::refresh_control_action_availability(kaso::actions::ActionAvailability const& available)
{
    for_each_child([&](Widget& child) { child.refresh_control_action_availability(available); });
}

std::vector<kaso::actions::ControlBinding> Widget::control_action_bindings() const
{
    auto bindings = semantic_action_bindings();
    for_each_child([&](Widget const& child) {
        auto inner = child.control_action_bindings();
        bindings.insert(bindings.end(), std::make_move_iterator(inner.begin()), std::make_move_iterator(inner.end()));
    });
    return bindings;
}

void Widget::collect_action_namespaces(std::set<std::string>& namespaces) const
{
    for (auto& name : action_namespaces())
        namespaces.insert(std::move(name));
    for_each_child([&](Widget const& child) { child.collect_action_namespaces(namespaces); });
}

OperationOutcome Widget::execute_operation(uint8_t declared_type, kaso::actions::EncodedAction const& action)
{
    OperationOutcome found;
    for_each_child([&](Widget& child) {
        if (!found)
            found = child.execute_operation(declared_type, action);
    });
    return found;
}

}
