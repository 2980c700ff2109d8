#include "src/widgets/ChannelAvatar.h"

#include <algorithm>
#include <cmath>

#include "kaso/ui/Avatar.h"
#include "kaso/ui/Scene.h"
#include "src/model/Formatting.h"

namespace vexa {

using namespace kaso::ui;

ChannelAvatar::ChannelAvatar(image_store::SharedImageStore store, std::string url, std::string_view name, float size)
    : m_initials(initials_of(name))
    , m_size(std::isfinite(size) && size > 0 ? size : 0)
{
    m_picture.store = std::move(store);
    m_picture.url = std::move(url);
}

kaso::layout::Style ChannelAvatar::layout_style() const { return fixed_style(kaso::layout::Dimension::px(m_size), kaso::layout::Dimension::px(m_size)); }

void ChannelAvatar::sync(SyncContext&) { sync_picture(m_picture); }

void ChannelAvatar::draw(Scene& scene, DrawContext& context)
{
    if (!(m_rect.width() > 0) || !(m_rect.height() > 0))
        return;
    if (!m_picture.image) {
        auto colors = Avatar::color_for_initials(m_initials, context.theme);
        Avatar::draw_at(scene, m_rect, m_initials, colors, context.theme, context.text);
        return;
    }
    double radius = std::min(m_rect.width(), m_rect.height()) / 2;
    double cx = (m_rect.x0 + m_rect.x1) / 2;
    double cy = (m_rect.y0 + m_rect.y1) / 2;
    // The picture covers the circle, centred: the box is square, so covering the circle's
    // square is covering the box.
    scene.draw_image(m_picture.image, { cx - radius, cy - radius, cx + radius, cy + radius }, radius, ImageFit::Cover);
}

std::optional<AccessNode> ChannelAvatar::accessibility() const
{
    AccessNode node;
    node.role = AccessRole::Image;
    node.name = m_initials;
    node.bounds = m_rect;
    return node;
}

}
