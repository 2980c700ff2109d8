// The root's layout rules: narrow windows, the rail's width, per-route scroll keys, the
// viewport bookkeeping and the window's accessibility node.

#include "src/app/VexaApp.h"

#include <fmt/format.h>

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
