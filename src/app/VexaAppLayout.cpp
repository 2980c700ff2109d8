// The root's tree: the page of the current route in its scroll view beside the navigation rail,
// the top bar above, the action palette over both while it is open; the viewport bookkeeping and the window's accessibility node.

#include "src/app/VexaApp.h"

#include "kaso/ui/NavSplit.h"
#include "kaso/ui/Scene.h"
#include "src/actions/LibraryListing.h"
#include "src/app/ActionTree.h"
#include "src/app/SettingsDevices.h"
#include "src/screens/ActionPalette.h"
#include "src/screens/Chrome.h"
#include "src/screens/Pages.h"
#include "src/screens/RouteTable.h"
#include "src/widgets/Flex.h"

namespace vexa {

using namespace kaso;

namespace {

// The chrome's and the pages' runtime controls are bound to actions of the application's tree.
constexpr ControlBindings tree_bindings { video_queue_binding, sidebar_toggle_binding, navigation_binding };

}

std::optional<ui::AccessNode> VexaApp::accessibility() const
{
    auto const& model = m_state.model();
    ui::AccessNode node;
    node.name = route_accessible_name(model, model.route);
    node.description = model.status_live ? "Privacy-respecting video client; live catalogue" : "Privacy-respecting video client; offline";
    node.busy = model.feed_loading || model.searching;
    if (!model.notices.empty())
        node.announcement = model.notices.front();
    node.bounds = viewport();
    return node;
}

std::vector<search::SearchProviderHandle> VexaApp::search_providers() const
{
    return { std::make_shared<CatalogSearchProvider>(build_library_listing(m_state.model())) };
}

void VexaApp::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    auto const& box = tree.layout(node);
    m_rect = ui::Rect::from_origin_size(x + box.x, y + box.y, box.width, box.height);
    if (m_content)
        m_content->apply_layout(tree, node, x, y);
    if (m_state.layout().apply_viewport(m_rect))
        m_state.mark_dirty();
}

bool VexaApp::is_layout_dirty() const { return m_content ? m_content->is_layout_dirty() : true; }

layout::NodeId VexaApp::build_layout(layout::Tree& tree, ui::BuildContext& context, ui::NodeMap& nodes)
{
    auto& window = m_state.layout();
    window.begin_build(context.scale);
    float scale = window.scale();
    m_state.refresh_watch_controls();
    auto const& theme = context.theme;
    auto const& model = m_state.model();
    auto const& route = model.route;

    WatchSurface watch { m_state.player(), window.content_width(), std::max(1.0, window.viewport().height()), tree_bindings };
    auto devices = route.is(RouteKind::Settings) ? device_section_input(m_state.device_sync()) : DeviceSectionInput {};
    auto page = route_screen(model, theme, scale, m_state.operations(), m_state.image_store(), route, watch, devices);
    auto key = route_scroll_key(route);
    auto scroll = std::move(page).with_persisted_offset(key, m_state.ensure_scroll_offset(key)).scrollbar_width(14.0f);
    auto content_column = Flex::column().width(Length::fill()).height(Length::fill()).clip(true).with_child(std::move(scroll));

    bool shown = window.force_nav() || window.nav_visible();
    auto split = ui::NavSplit(nav_rail(route, window.nav_width(), theme, tree_bindings), std::move(content_column))
                     .narrow_threshold(float(WindowLayout::narrow_threshold(scale)))
                     .rail_width(float(window.nav_width()))
                     .shown(shown)
                     .open_fraction(shown ? 1.0f : 0.0f)
                     .known_width(window.viewport().width());

    bool has_back = !m_state.navigation().back_stack.empty();
    auto root = Flex::column()
                    .width(Length::fill())
                    .height(Length::fill())
                    .with_child(top_bar(model, theme, m_state.operations(), has_back, m_state.search_text_cell(), window.compact_top_bar(), tree_bindings))
                    .with_child(std::move(split));
    // While open, the palette lies over the whole window and takes every pointer event.
    if (auto palette = action_palette(model, theme, m_state.operations(), m_state.palette_text_cell()))
        root.with_child(std::move(*palette).capture_pointer(true));
    m_content = std::make_unique<Flex>(std::move(root));
    return m_content->build_layout(tree, context, nodes);
}

void VexaApp::draw(ui::Scene& scene, ui::DrawContext& context)
{
    scene.push_clip(viewport());
    if (m_content)
        m_content->draw(scene, context);
    scene.pop_clip();
}

}
