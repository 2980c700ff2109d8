#include "src/app/VexaApp.h"

#include "kaso/platform/Log.h"
#include "kaso/ui/Theme.h"
#include "src/backend/ImageFetch.h"
#include "src/backend/SampleCatalogue.h"
#include "src/history/HistoryOwner.h"

namespace vexa {

std::unique_ptr<VexaApp> VexaApp::create() { return create_for_owner(history_owner_id()); }

std::unique_ptr<VexaApp> VexaApp::create_for_owner(std::string owner_id)
{
    std::unique_ptr<VexaApp> app(new VexaApp());
    app->m_model = sample_catalogue();
    app->m_owner_id = std::move(owner_id);
    app->m_model.owner_id = app->m_owner_id;
    app->m_history = HistoryStore::open(app->m_owner_id);
    if (app->m_history.needs_recovery())
        app->m_model.history_notice = history_recovery_notice;
    app->m_operations = OperationQueue::create();
    app->m_device_sync = unavailable_device_sync();
    app->m_search_text_cell = SharedText::create();
    app->m_palette_text_cell = SharedText::create();
    app->m_player = kaso::ui::VideoPlayer::with_engine(kaso::media::MediaEngine::create());
    app->m_navigation = NavigationHistory {};
    return app;
}

void VexaApp::replace_model(VexaModel model)
{
    auto notice = m_model.history_notice;
    m_model = std::move(model);
    if (notice)
        m_model.history_notice = std::move(notice);
    m_structure_dirty = true;
}

VexaApp& VexaApp::finish_default()
{
    m_live = true;
    replace_model(VexaModel::empty());
    m_model.owner_id = m_owner_id;
    m_model.feed_loading = true;
    m_image_store = new_image_store();
    return *this;
}

VexaApp& VexaApp::show_empty_state()
{
    replace_model(VexaModel::empty());
    m_model.status_label = "offline — network unavailable";
    navigate_to_launch_route(Route::home());
    return *this;
}

VexaApp& VexaApp::show_loading_state()
{
    replace_model(VexaModel::empty());
    m_model.feed_loading = true;
    navigate_to_launch_route(Route::home());
    return *this;
}

VexaApp& VexaApp::show_device_sync()
{
    navigate_to_launch_route(Route::settings());
    m_device_sync = demo_device_sync();
    auto offset = ensure_scroll_offset("settings");
    offset->x = 0;
    offset->y = m_viewport.width() < 760 ? 1330 : 930;
    return *this;
}

VexaApp& VexaApp::open_palette(std::string query)
{
    m_model.palette_open = true;
    m_model.palette_query = query;
    m_palette_text_cell->publish(std::move(query));
    m_structure_dirty = true;
    return *this;
}

VexaApp& VexaApp::play_demo()
{
    auto id = m_model.videos.empty() ? std::string("vid_donut") : m_model.videos.front().id;
    navigate_to_launch_route(Route::watch(id));
    m_player->set_engine(kaso::media::MediaEngine::create_synthesized());
    if (auto opened = m_player->open(demo_clip_address); !opened)
        kaso::log::target("vexa::app")->warn("demonstration clip not opened error={}", kaso::debug_text(opened.error().message));
    m_player->seek_to_ms(45'000);
    m_player->play();
    m_player->reveal_controls();
    kaso::ui::SyncContext context;
    m_player->sync(context);
    m_loaded_video = id;
    return *this;
}

VexaApp& VexaApp::apply_launch_route(Route route)
{
    if (route.is(RouteKind::Search)) {
        m_model.search_text = route.text;
        m_search_text_cell->publish(route.text);
    }
    navigate_to_launch_route(std::move(route));
    return *this;
}

VexaApp& VexaApp::with_model(VexaModel model)
{
    m_search_text_cell->publish(model.search_text);
    m_palette_text_cell->publish(model.palette_query);
    replace_model(std::move(model));
    m_history = HistoryStore::in_memory();
    return *this;
}

VexaApp& VexaApp::with_image_store(kaso::ui::image_store::SharedImageStore store)
{
    m_image_store = std::move(store);
    m_structure_dirty = true;
    return *this;
}

kaso::ui::image_store::SharedImageStore new_image_store()
{
    return std::make_shared<kaso::ui::image_store::ImageStore>(image_fetch_function());
}

VexaApp& VexaApp::set_force_nav(bool force)
{
    m_force_nav = force;
    m_structure_dirty = true;
    return *this;
}

void VexaApp::navigate_to_launch_route(Route route)
{
    m_navigation = NavigationHistory { route, {} };
    m_model.route = std::move(route);
    m_structure_dirty = true;
}

kaso::ui::ScrollOffsetCell VexaApp::ensure_scroll_offset(std::string const& key)
{
    auto& cell = m_scroll_offsets[key];
    if (!cell)
        cell = std::make_shared<kaso::ui::ScrollOffset>();
    return cell;
}

std::optional<kaso::ui::ScrollOffset> VexaApp::scroll_offset(std::string const& key) const
{
    if (auto found = m_scroll_offsets.find(key); found != m_scroll_offsets.end() && found->second)
        return *found->second;
    return std::nullopt;
}

void VexaApp::for_each_child(std::function<void(kaso::ui::Widget&)> const& visit)
{
    if (m_content)
        visit(*m_content);
}

}
