// Input handling of the root: the application-wide keys, the edge-swipe back gesture, and the
// UiAction values that the page tree's widgets queued.

#include "src/app/VexaApp.h"

#include <algorithm>
#include <cmath>

#include "kaso/platform/Log.h"
#include "src/app/DeepLinks.h"
#include "src/model/Formatting.h"

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

void VexaApp::unavailable(UiAction const& action, char const* what)
{
    log::target("vexa::app")->warn("action not carried out action={} missing={}", kaso::debug_text(action.title()), what);
}

void VexaApp::track_swipe(ui::EventContext const& context)
{
    if (event_as<ui::PointerMove>(context)) {
        if (auto position = context.logical_position())
            m_pointer = *position;
        if (!m_swipe_fired && m_swipe_tracking) {
            double dx = m_pointer.x - m_swipe_start.x;
            double dy = std::abs(m_pointer.y - m_swipe_start.y);
            if (dx >= m_swipe_min_travel && dx > dy) {
                m_swipe_fired = true;
                if (!m_navigation.back_stack.empty())
                    queue(UiAction::go_back());
            }
        }
    } else if (auto const* down = event_as<ui::PointerDown>(context); down && down->button == ui::PointerButton::Primary) {
        if (auto position = context.logical_position())
            m_pointer = *position;
        m_swipe_fired = false;
        m_swipe_start = m_pointer;
        m_swipe_tracking = m_pointer.x <= m_swipe_edge;
    } else if (auto const* up = event_as<ui::PointerUp>(context); up && up->button == ui::PointerButton::Primary) {
        m_swipe_tracking = false;
        m_swipe_fired = false;
    }
}

void VexaApp::handle_event(ui::EventContext& context)
{
    // The release that ends a swipe which went back is not a click on whatever lies under it:
    // the tree is told the pointer left instead, which ends its press.
    bool swipe_release = m_swipe_fired && event_as<ui::PointerUp>(context);
    auto deliver = [&] {
        if (!m_content || context.handled)
            return;
        if (swipe_release) {
            ui::Event leave = ui::PointerLeave {};
            ui::EventContext left { leave, context.modifiers, context.scale, false, std::nullopt };
            m_content->handle_event(left);
            context.handled = true;
            return;
        }
        m_content->handle_event(context);
    };

    if (is_palette_shortcut(context)) {
        queue(m_model.palette_open ? UiAction::close_palette() : UiAction::open_palette());
        context.handled = true;
    } else {
        // Enter runs the search only from the search box; elsewhere it is the focused widget's.
        if (is_key(context, ui::Key::Enter) && m_content && has_focus(*m_content, "search_input"))
            queue(UiAction::search());

        if (m_model.palette_open) {
            if (is_pointer_event(context))
                track_swipe(context);
            deliver();
            if (is_key(context, ui::Key::Escape)) {
                queue(UiAction::close_palette());
                context.handled = true;
            }
        } else if (is_key(context, ui::Key::BrowserBack) || (is_key(context, ui::Key::ArrowLeft) && context.modifiers.alt)) {
            if (!m_navigation.back_stack.empty()) {
                queue(UiAction::go_back());
                context.handled = true;
            }
            deliver();
        } else if (is_key_event(context)) {
            deliver();
            if (is_key(context, ui::Key::Escape)) {
                if (is_narrow() && nav_visible()) {
                    m_nav_visibility = 0;
                    m_structure_dirty = true;
                } else if (!m_navigation.back_stack.empty()) {
                    queue(UiAction::go_back());
                    context.handled = true;
                }
            }
        } else {
            if (is_pointer_event(context))
                track_swipe(context);
            deliver();
        }
    }

    bool changed = false;
    for (auto const& action : m_operations->drain())
        changed = carry_out(action) || changed;
    pause_when_leaving_watch();
    changed = apply_fetch_results() || changed;
    if (changed)
        m_structure_dirty = true;
}

void VexaApp::navigate(Route route)
{
    if (m_navigation.current.is(RouteKind::Search) && route.is(RouteKind::Search))
        m_navigation.set_current_route(route);
    else
        m_navigation.push_route(route);
    m_model.route = std::move(route);
}

void VexaApp::open_video(std::string const& video_id)
{
    unavailable(UiAction::open_video(video_id), "owner history store");
    navigate(Route::watch(video_id));
    m_model.playback_position = 0;
    m_model.playing = true;
    submit_fetch(WorkerRequest::enrich(video_id));
    if (auto const* video = m_model.video(video_id))
        ensure_channel_details(video->channel_id);
    request(WorkerRequest::related(video_id));
}

bool VexaApp::carry_out(UiAction const& action)
{
    switch (action.kind) {
    case UiActionKind::Navigate:
        if (action.route.is(RouteKind::Search)) {
            m_model.search_text = action.route.text;
            m_search_text_cell->publish(action.route.text);
        }
        navigate(action.route);
        collapse_nav_if_narrow();
        break;
    case UiActionKind::OpenVideo:
        open_video(action.text);
        collapse_nav_if_narrow();
        break;
    case UiActionKind::ClearHistory:
        unavailable(action, "owner history store");
        break;
    case UiActionKind::OpenChannel:
        navigate(Route::channel(action.text));
        request(WorkerRequest::channel(action.text));
        break;
    case UiActionKind::OpenPlaylist:
        navigate(Route::playlist(action.text));
        request(WorkerRequest::playlist(action.text));
        break;
    case UiActionKind::ToggleResultType:
        toggle_result_type(m_model.result_types, action.index);
        break;
    case UiActionKind::GoBack:
        if (auto previous = m_navigation.go_back()) {
            m_model.route = *previous;
            collapse_nav_if_narrow();
        }
        break;
    case UiActionKind::ToggleSubscription:
        unavailable(action, "library document");
        m_model.toggle_subscription(action.text);
        break;
    case UiActionKind::CycleSegmentMode:
        if (auto category = segment_category_from_index(action.index)) {
            unavailable(action, "library document");
            next_segment_mode(m_model.settings, *category);
        }
        break;
    case UiActionKind::ToggleSetting:
        if (auto flag = setting_flag_from_index(action.index)) {
            unavailable(action, "library document");
            m_model.settings.set_flag(*flag, !m_model.settings.flag(*flag));
        }
        break;
    case UiActionKind::Search: {
        auto text = m_search_text_cell->text();
        m_model.search_text = text;
        m_model.search_error.reset();
        navigate(Route::search(text));
        if (!text.empty()) {
            if (m_live)
                m_model.searching = true;
            submit_fetch(WorkerRequest::search(text));
        }
        break;
    }
    case UiActionKind::SetQuality:
        if (is_quality_label(action.text)) {
            unavailable(action, "library document");
            m_model.settings.preferred_quality = action.text;
        }
        break;
    case UiActionKind::ToggleLike:
        unavailable(action, "library document");
        m_model.toggle_like(action.text);
        break;
    case UiActionKind::Seek:
        if (auto duration = watch_video_ready(); duration && std::isfinite(action.value)) {
            double position = std::clamp(action.value * *duration, 0.0, *duration);
            m_model.playback_position = position;
            m_player->seek_to_ms(uint64_t(position * 1000.0));
            skip_sponsor_segment();
            autoplay_next();
        }
        break;
    case UiActionKind::SkipSegment:
        if (auto duration = watch_video_ready(); duration && std::isfinite(action.value)) {
            double position = std::clamp(action.value, 0.0, *duration);
            m_model.playback_position = position;
            m_player->seek_to_ms(uint64_t(position * 1000.0));
            m_model.push_notice(fmt::format("Skipped to {}", format_timecode(position)));
        }
        break;
    case UiActionKind::TogglePlayback:
    case UiActionKind::Share:
        unavailable(action, "video player");
        break;
    case UiActionKind::ToggleSidebar:
        m_nav_visibility = nav_visible() ? 0 : 1;
        break;
    case UiActionKind::OpenPalette:
        m_model.palette_open = true;
        break;
    case UiActionKind::ClosePalette:
        m_model.palette_open = false;
        break;
    case UiActionKind::OpenSearchResult:
        if (auto video = deep_link_watch_id(action.text)) {
            open_video(*video);
        } else if (auto channel = deep_link_channel_id(action.text)) {
            navigate(Route::channel(*channel));
            request(WorkerRequest::channel(*channel));
        }
        m_model.palette_open = false;
        collapse_nav_if_narrow();
        break;
    case UiActionKind::PairDevice:
        m_model.push_notice("Paste a pairing invite first, or unlock the desktop secret broker");
        break;
    case UiActionKind::SyncDevices:
        m_model.push_notice("Device sync is unavailable");
        break;
    case UiActionKind::ApproveDevice:
        m_model.push_notice("Device approval is unavailable");
        break;
    case UiActionKind::RevokeDevice:
        m_model.push_notice("Device revocation is unavailable");
        break;
    }
    return true;
}

}
