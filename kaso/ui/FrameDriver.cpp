#include "kaso/ui/FrameDriver.h"

#include <cmath>

#include "kaso/actions/LibraryStore.h"

namespace kaso::ui {

FrameDriver::FrameDriver(WidgetBox root, Theme theme)
    : m_root(std::move(root))
    , m_theme(std::move(theme))
    , m_text(m_theme.font_family)
{
}

void FrameDriver::set_viewport(double width, double height, float scale)
{
    if (!std::isfinite(width) || width < 1)
        width = 1;
    if (!std::isfinite(height) || height < 1)
        height = 1;
    if (!std::isfinite(scale) || scale <= 0)
        scale = 1;
    if (width == m_width && height == m_height && scale == m_scale)
        return;
    m_width = width;
    m_height = height;
    m_scale = scale;
    m_viewport_changed = true;
}

void FrameDriver::frame(uint64_t now_ms)
{
    SyncContext sync_context { m_library ? &m_library->document() : nullptr, now_ms, m_library };
    m_root->sync(sync_context);
    bool structure_dirty = m_root->take_structure_dirty();
    if (structure_dirty || m_viewport_changed || !m_root_node.is_valid()) {
        rebuild_layout();
    } else if (m_root->layout_needs_measure()) {
        // Same tree, new content sizes: solve again without rebuilding the widgets' nodes.
        for (auto const& [widget, node] : m_nodes)
            if (widget->is_layout_dirty())
                m_tree.mark_dirty(node);
        solve_layout();
    }
    m_scene.clear();
    DrawContext draw_context { m_text, m_theme, Rect { 0, 0, m_width, m_height }, now_ms, m_scale };
    m_root->draw(m_scene, draw_context);
    m_root->draw_overlay(m_scene, draw_context);
    m_root->mark_drawn();
}

void FrameDriver::rebuild_layout()
{
    m_tree.clear();
    m_nodes.clear();
    BuildContext context { m_theme, m_scale, m_text };
    m_root_node = m_root->build_layout(m_tree, context, m_nodes);
    auto style = m_tree.style(m_root_node);
    style.size.width = layout::Dimension::px(float(m_width));
    style.size.height = layout::Dimension::px(float(m_height));
    m_tree.set_style(m_root_node, style);
    solve_layout();
    m_viewport_changed = false;
    ++m_layout_builds;
    m_actions.refresh_availability(*m_root);
    if (m_pointer)
        dispatch(PointerMove { m_pointer->x, m_pointer->y }, {});
}

void FrameDriver::solve_layout()
{
    m_tree.compute_layout(m_root_node, layout::AvailableSpace::definite(float(m_width)), layout::AvailableSpace::definite(float(m_height)));
    m_root->apply_layout(m_tree, m_root_node, 0, 0);
}

void FrameDriver::dispatch(Event const& event, Modifiers modifiers)
{
    if (auto const* resized = std::get_if<Resized>(&event))
        set_viewport(resized->width, resized->height, float(resized->scale));
    if (auto const* move = std::get_if<PointerMove>(&event))
        m_pointer = Point { move->x, move->y };
    else if (auto const* down = std::get_if<PointerDown>(&event))
        m_pointer = Point { down->x, down->y };
    else if (std::holds_alternative<PointerLeave>(event))
        m_pointer.reset();
    EventContext context { .event = event, .modifiers = modifiers, .scale = m_scale, .library_store = m_library };
    m_root->handle_event(context);
    if (context.focus_request)
        move_focus(*m_root, *context.focus_request);
    m_actions.drain(*m_root);
    // Scrolling moves the content under a still pointer: hover follows what is now beneath it.
    if (auto const* scroll = std::get_if<Scroll>(&event))
        dispatch(PointerMove { scroll->x, scroll->y }, modifiers);
}

bool FrameDriver::wants_frame() const { return m_root->needs_idle_sync() || m_root->needs_animation_frame(); }

std::optional<uint64_t> FrameDriver::next_wake_deadline() const { return m_root->next_wake_deadline(); }

}
