#include "src/widgets/TextBadge.h"

#include "kaso/ui/Scene.h"
#include "kaso/ui/TextRenderer.h"

namespace vexa {

using namespace kaso::ui;

void draw_text_badge(Scene& scene, TextRenderer& renderer, std::string const& text, float font_size, Color text_color, Color background,
    Point anchor, BadgeAnchor side)
{
    TextStyle style;
    style.size = font_size;
    style.color = text_color;
    auto measured = renderer.measure_style(text, style);
    double width = measured.width + 12;
    double height = font_size + 6;
    double left = side == BadgeAnchor::Right ? anchor.x - width : anchor.x;
    scene.fill_rect(Rect::from_origin_size(left, anchor.y, width, height), background, 4);
    scene.draw_text(text, style, { left + 6, anchor.y + 3 });
}

}
