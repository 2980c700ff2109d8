#include "src/app/VexaApp.h"

#include "src/app/ActionTree.h"
#include "src/backend/ImageFetch.h"
#include "src/history/HistoryOwner.h"
#include "src/screens/RouteTable.h"

namespace vexa {

std::unique_ptr<VexaApp> VexaApp::create(HistoryFile history) { return create_for_owner(history_owner_id(), history); }

std::unique_ptr<VexaApp> VexaApp::create_for_owner(std::string owner_id, HistoryFile history)
{
    auto store = history == HistoryFile::Open ? OwnerHistory::open(owner_id) : OwnerHistory::in_memory(owner_id);
    return std::unique_ptr<VexaApp>(new VexaApp(std::move(owner_id), std::move(store)));
}

kaso::ui::image_store::SharedImageStore new_image_store()
{
    return std::make_shared<kaso::ui::image_store::ImageStore>(image_fetch_function());
}

VexaApp& VexaApp::finish_default()
{
    m_state.make_live(new_image_store());
    return *this;
}

VexaApp& VexaApp::start_device_sync()
{
    m_state.set_device_sync(start_live_device_sync("Kaso Vexa"));
    return *this;
}

VexaApp& VexaApp::show_empty_state()
{
    launch_state::show_empty(m_state);
    return *this;
}

VexaApp& VexaApp::show_loading_state()
{
    launch_state::show_loading(m_state);
    return *this;
}

VexaApp& VexaApp::show_device_sync()
{
    launch_state::show_device_sync(m_state);
    return *this;
}

VexaApp& VexaApp::open_palette(std::string query)
{
    launch_state::open_palette(m_state, std::move(query));
    return *this;
}

VexaApp& VexaApp::play_demo()
{
    launch_state::play_demo(m_state);
    return *this;
}

VexaApp& VexaApp::apply_launch_route(Route route)
{
    launch_state::apply_route(m_state, std::move(route));
    return *this;
}

VexaApp& VexaApp::with_model(VexaModel model)
{
    launch_state::use_model(m_state, std::move(model));
    return *this;
}

VexaApp& VexaApp::with_image_store(kaso::ui::image_store::SharedImageStore store)
{
    m_state.set_image_store(std::move(store));
    return *this;
}

VexaApp& VexaApp::with_fetch_worker(FetchWorker worker)
{
    m_state.set_fetch_worker(std::move(worker));
    return *this;
}

VexaApp& VexaApp::set_force_nav(ForceNav force)
{
    m_state.layout().set_force_nav(force);
    m_state.mark_dirty();
    return *this;
}

VexaApp& VexaApp::set_viewport(double width, double height)
{
    m_state.layout().set_viewport(width, height);
    m_state.mark_dirty();
    return *this;
}

std::string VexaApp::scroll_key(Route const& route) { return route_scroll_key(route); }

void VexaApp::sync(kaso::ui::SyncContext& context) { m_state.run_frame(context, m_content.get()); }

bool VexaApp::take_structure_dirty()
{
    bool dirty = m_state.take_structure_dirty();
    if (m_content)
        dirty = m_content->take_structure_dirty() || dirty;
    return dirty;
}

bool VexaApp::needs_idle_sync() const
{
    // Worker results are polled by the frame, never signalled.
    return m_state.has_fetch_worker() || m_state.images_pending();
}

bool VexaApp::needs_redraw() const
{
    if (m_state.structure_dirty() || !m_content || m_state.images_pending())
        return true;
    return m_content->needs_redraw();
}

bool VexaApp::needs_animation_frame() const
{
    if (m_state.playback().awaits_stream(m_state.model(), m_state.is_live()) || m_state.images_pending())
        return true;
    return m_content && m_content->needs_animation_frame();
}

void VexaApp::mark_drawn()
{
    if (m_content)
        m_content->mark_drawn();
}

void VexaApp::for_each_child(std::function<void(kaso::ui::Widget&)> const& visit)
{
    if (m_content)
        visit(*m_content);
}

std::optional<kaso::actions::ControlInvocation> VexaApp::take_control_invocation()
{
    if (auto own = m_state.take_control_invocation())
        return own;
    return Widget::take_control_invocation();
}

void VexaApp::refresh_control_action_availability(kaso::actions::ActionAvailability const& available)
{
    m_state.watch_controls().refresh_availability(available);
    Widget::refresh_control_action_availability(available);
}

std::vector<kaso::actions::Resource> VexaApp::action_resources() const
{
    return action_resource_trees(m_state.model(), m_state.device_sync().status());
}

kaso::ui::OperationOutcome VexaApp::execute_operation(uint8_t declared_type, kaso::actions::EncodedAction const& action)
{
    if (auto outcome = m_state.execute_operation(declared_type, action))
        return outcome;
    return Widget::execute_operation(declared_type, action);
}

}
