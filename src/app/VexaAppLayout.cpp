// The root's layout rules: narrow windows, the rail's width, per-route scroll keys, the
// viewport bookkeeping and the window's accessibility node.

#include "src/app/VexaApp.h"

#include <fmt/format.h>

#include "kaso/ui/NavSplit.h"
#include "kaso/ui/Scene.h"
#include "src/screens/Chrome.h"
#include "src/screens/Pages.h"
#include "src/widgets/Flex.h"

namespace vexa {

using namespace kaso;

bool VexaApp::is_narrow() const
{
    double width = m_viewport.width();
    return width <= 0 || width < narrow_threshold(m_scale);
}

double VexaApp::nav_width() const
{
    if (m_scale < 1.5f)
        return 86.0;
    return m_viewport.width() <= 480.0 ? m_viewport.width() : 264.0;
}

double VexaApp::content_width() const
{
    if (!is_narrow() && nav_visible())
        return std::max(0.0, m_viewport.width() - nav_width());
    return m_viewport.width();
}

bool VexaApp::nav_visible() const
{
    switch (m_nav_visibility) {
    case 0: return false;
    case 1: return true;
    default: return !is_narrow();
    }
}

void VexaApp::collapse_nav_if_narrow()
{
    if (is_narrow())
        m_nav_visibility = 0;
}

std::string VexaApp::scroll_key(Route const& route)
{
    switch (route.kind) {
    case RouteKind::Home: return "home";
    case RouteKind::Trending: return "trending";
    case RouteKind::Subscriptions: return "subs";
    case RouteKind::Queue: return "queue";
    case RouteKind::Watch: return fmt::format("watch:{}", route.text);
    case RouteKind::Channel: return fmt::format("channel:{}", route.text);
    case RouteKind::Playlist: return fmt::format("playlist:{}", route.text);
    case RouteKind::Search: return fmt::format("search:{}", route.text);
    case RouteKind::History: return "history";
    case RouteKind::Settings: return "settings";
    }
    return "home";
}

std::string VexaApp::accessible_title() const
{
    auto const& route = m_model.route;
    switch (route.kind) {
    case RouteKind::Home: return "Home";
    case RouteKind::Trending: return "Trending";
    case RouteKind::Subscriptions: return "Subscriptions";
    case RouteKind::Queue: return "Shared watch queue";
    case RouteKind::Watch:
        if (auto const* video = m_model.video(route.text))
            return video->title;
        return "Video";
    case RouteKind::Channel:
        if (auto const* channel = m_model.channel(route.text))
            return channel->name;
        return "Creator";
    case RouteKind::Playlist:
        if (auto const* playlist = m_model.playlist(route.text))
            return playlist->title;
        return "Playlist";
    case RouteKind::Search: return fmt::format("Search results for {}", route.text);
    case RouteKind::History: return "Watch history";
    case RouteKind::Settings: return "Settings";
    }
    return "Home";
}

std::optional<ui::AccessNode> VexaApp::accessibility() const
{
    ui::AccessNode node;
    node.name = fmt::format("Vexa — {}", accessible_title());
    node.description = m_model.status_live ? "Privacy-respecting video client; live catalogue" : "Privacy-respecting video client; offline";
    node.busy = m_model.feed_loading || m_model.searching;
    if (!m_model.notices.empty())
        node.announcement = m_model.notices.front();
    node.bounds = m_viewport;
    return node;
}

VexaApp& VexaApp::set_viewport(double width, double height)
{
    m_viewport = ui::Rect { 0, 0, std::max(width, 0.0), std::max(height, 0.0) };
    m_narrow = is_narrow();
    m_structure_dirty = true;
    return *this;
}

void VexaApp::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    auto const& box = tree.layout(node);
    m_viewport = ui::Rect::from_origin_size(x + box.x, y + box.y, box.width, box.height);
    m_rect = m_viewport;
    if (m_content)
        m_content->apply_layout(tree, node, x, y);
    if (m_viewport.width() > 0) {
        bool narrow = is_narrow();
        if (m_narrow && *m_narrow != narrow) {
            m_nav_visibility = 2;
            m_structure_dirty = true;
        }
        m_narrow = narrow;
        if (m_narrow_at_build != narrow)
            m_structure_dirty = true;
    }
}

bool VexaApp::is_layout_dirty() const { return m_content ? m_content->is_layout_dirty() : true; }

}

namespace vexa {

using namespace kaso;

layout::NodeId VexaApp::build_layout(layout::Tree& tree, ui::BuildContext& context, ui::NodeMap& nodes)
{
    m_scale = context.scale;
    m_narrow_at_build = is_narrow();
    auto const& theme = context.theme;

    WatchSurface watch { m_player, content_width(), std::max(1.0, m_viewport.height()) };
    auto page = route_screen(m_model, theme, m_scale, m_operations, m_image_store, m_model.route, watch);
    auto key = scroll_key(m_model.route);
    auto scroll = std::move(page).with_persisted_offset(key, ensure_scroll_offset(key)).scrollbar_width(14.0f);
    auto content_column = Flex::column().width(Length::fill()).height(Length::fill()).clip(true).with_child(std::move(scroll));

    bool shown = m_force_nav || nav_visible();
    auto split = ui::NavSplit(nav_rail(m_model.route, nav_width(), theme), std::move(content_column))
                     .narrow_threshold(float(narrow_threshold(m_scale)))
                     .rail_width(float(nav_width()))
                     .shown(shown)
                     .open_fraction(shown ? 1.0f : 0.0f)
                     .known_width(m_viewport.width());

    bool compact = m_viewport.width() <= 480.0 && m_scale >= 1.5f;
    auto root = Flex::column()
                    .width(Length::fill())
                    .height(Length::fill())
                    .with_child(top_bar(m_model, theme, m_operations, !m_navigation.back_stack.empty(), m_search_text_cell, compact))
                    .with_child(std::move(split));
    m_content = std::make_unique<Flex>(std::move(root));
    auto node = m_content->build_layout(tree, context, nodes);
    m_root_node = node;
    return node;
}

void VexaApp::draw(ui::Scene& scene, ui::DrawContext& context)
{
    scene.push_clip(m_viewport);
    if (m_content)
        m_content->draw(scene, context);
    scene.pop_clip();
}

void VexaApp::mark_drawn()
{
    if (m_content)
        m_content->mark_drawn();
}

}
