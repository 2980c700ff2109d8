// Input routing of the root: the application-wide keys and the edge-swipe back gesture, then the
// page tree; what the tree's widgets queued is carried out by the application state.

#include "src/app/VexaApp.h"

namespace vexa {

using namespace kaso;

namespace {

template<typename T>
T const* event_as(ui::EventContext const& context)
{
    return std::get_if<T>(&context.event);
}

bool is_key(ui::EventContext const& context, ui::Key key)
{
    auto const* down = event_as<ui::KeyDown>(context);
    return down && down->key == key;
}

bool is_pointer_event(ui::EventContext const& context)
{
    return event_as<ui::PointerMove>(context) || event_as<ui::PointerDown>(context) || event_as<ui::PointerUp>(context);
}

bool is_key_event(ui::EventContext const& context) { return event_as<ui::KeyDown>(context) || event_as<ui::KeyUp>(context); }

// Ctrl+K (either case) toggles the palette.
bool is_palette_shortcut(ui::EventContext const& context)
{
    auto const* down = event_as<ui::KeyDown>(context);
    if (!down || down->key != ui::Key::Character || down->text.size() != 1 || !context.modifiers.control)
        return false;
    char c = down->text[0];
    return c == 'k' || c == 'K';
}

bool is_back_key(ui::EventContext const& context)
{
    return is_key(context, ui::Key::BrowserBack) || (is_key(context, ui::Key::ArrowLeft) && context.modifiers.alt);
}

// Whether the focused element of the tree has the given id.
bool has_focus(ui::Widget& root, std::string_view id)
{
    bool found = false;
    std::function<void(ui::Widget&)> visit = [&](ui::Widget& widget) {
        if (found)
            return;
        if (widget.is_focused() && widget.widget_id() == id) {
            found = true;
            return;
        }
        widget.for_each_child(visit);
    };
    visit(root);
    return found;
}

}

void VexaApp::handle_event(ui::EventContext& context)
{
    route_event(context);
    m_state.carry_out_queued(context.library_store);
}

void VexaApp::route_event(ui::EventContext& context)
{
    // The release that ends a swipe which went back is not a click on whatever lies under it.
    bool swipe_release = m_swipe.fired() && event_as<ui::PointerUp>(context);
    bool has_back = !m_state.navigation().back_stack.empty();
    auto track_swipe = [&] {
        if (is_pointer_event(context) && m_swipe.track(context) && has_back)
            queue(UiAction::go_back());
    };

    if (is_palette_shortcut(context)) {
        queue(m_state.model().palette_open ? UiAction::close_palette() : UiAction::open_palette());
        context.handled = true;
        return;
    }
    // Enter runs the search only from the search box; elsewhere it is the focused widget's.
    if (is_key(context, ui::Key::Enter) && m_content && has_focus(*m_content, "search_input"))
        queue(UiAction::search());

    if (m_state.model().palette_open) {
        track_swipe();
        deliver_to_content(context, swipe_release);
        if (is_key(context, ui::Key::Escape)) {
            queue(UiAction::close_palette());
            context.handled = true;
        }
    } else if (is_back_key(context)) {
        if (has_back) {
            queue(UiAction::go_back());
            context.handled = true;
        }
        deliver_to_content(context, swipe_release);
    } else if (is_key_event(context)) {
        deliver_to_content(context, swipe_release);
        if (is_key(context, ui::Key::Escape)) {
            auto& layout = m_state.layout();
            if (layout.is_narrow() && layout.nav_visible()) {
                layout.hide_nav();
                m_state.mark_dirty();
            } else if (has_back) {
                queue(UiAction::go_back());
                context.handled = true;
            }
        }
    } else {
        track_swipe();
        deliver_to_content(context, swipe_release);
    }
}

void VexaApp::deliver_to_content(ui::EventContext& context, bool swipe_release)
{
    if (!m_content || context.handled)
        return;
    if (swipe_release) {
        // The tree is told the pointer left instead, which ends its press.
        ui::Event leave = ui::PointerLeave {};
        ui::EventContext left { .event = leave, .modifiers = context.modifiers, .scale = context.scale };
        m_content->handle_event(left);
        context.handled = true;
        return;
    }
    m_content->handle_event(context);
}

}
