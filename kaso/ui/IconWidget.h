#pragma once

#include <cstdint>
#include <optional>

#include "kaso/ui/BuilderSetter.h"
#include "kaso/ui/Color.h"
#include "kaso/ui/Icons.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui {

// One icon of the runtime's set (Icons.h), drawn as strokes in a square box of `size` logical
// pixels: the 24-unit drawing is scaled to the box, the stroke width stays in logical pixels.
// Without a colour it paints in the theme's text colour; `Icon::None` paints nothing.
//
// Built by value: IconWidget(Icon::Search).size(18).color(theme.text_muted).
class IconWidget final : public Widget {
public:
    explicit IconWidget(Icon icon);

    KASO_BUILDER_SETTER(IconWidget, size, float, m_size = value)
    KASO_BUILDER_SETTER(IconWidget, color, Color, m_color = value)
    KASO_BUILDER_SETTER(IconWidget, stroke_width, float, m_stroke_width = value)

    Icon icon() const { return m_icon; }
    float size() const { return m_size; }
    float stroke_width() const { return m_stroke_width; }

    // Widget
    char const* type_name() const override { return "IconWidget"; }
    layout::Style layout_style() const override;
    void draw(Scene& scene, DrawContext& context) override;

private:
    Icon m_icon;
    float m_size { 16 };
    float m_stroke_width { 1.5f };
    std::optional<Color> m_color;
};

}
