#include "src/widgets/CardWidget.h"

#include "kaso/ui/layout/Tree.h"

namespace vexa {

void CardWidget::apply_layout(kaso::layout::Tree const& tree, kaso::layout::NodeId node, double x, double y)
{
    auto const& box = tree.layout(node);
    auto rect = kaso::ui::Rect::from_origin_size(x + box.x, y + box.y, box.width, box.height);
    if (rect != m_rect)
        m_dirty = true;
    m_rect = rect;
}

bool CardWidget::is_layout_dirty() const { return m_rect == kaso::ui::Rect {}; }

}

namespace vexa {

kaso::layout::Style CardWidget::fixed_style(kaso::layout::Dimension width, kaso::layout::Dimension height)
{
    kaso::layout::Style style;
    style.size = { width, height };
    style.flex_grow = 0;
    style.flex_shrink = 0;
    return style;
}

}
