#include "src/widgets/PlayerHost.h"

namespace vexa {

using namespace kaso;

PlayerHost::PlayerHost(ui::SharedVideoPlayer player, float height)
    : m_player(std::move(player))
    , m_height(height)
{
}

layout::NodeId PlayerHost::build_layout(layout::Tree& tree, ui::BuildContext&, ui::NodeMap& nodes)
{
    layout::Style style;
    style.size.width = layout::Dimension::percent(1.0f);
    style.size.height = layout::Dimension::px(m_height);
    style.flex_grow = 0;
    style.flex_shrink = 0;
    auto node = tree.new_leaf(style);
    nodes[this] = node;
    return node;
}

void PlayerHost::apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y)
{
    Widget::apply_layout(tree, node, x, y);
    m_player->apply_layout(tree, node, x, y);
}

void PlayerHost::handle_event(ui::EventContext& context)
{
    m_player->handle_event(context);
    // In a tree the player is reached through its host: focus goes to the host's element.
    if (context.focus_request && context.focus_request->id == m_player->widget_id())
        context.focus_request = ui::FocusRequest::of(*this);
}

}
