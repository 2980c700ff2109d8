#include "src/widgets/LargeVideoMeta.h"

#include <algorithm>

#include "kaso/ui/Scene.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/Theme.h"

namespace vexa {

using namespace kaso;
using namespace kaso::ui;

namespace {

TextStyle style_of(float size)
{
    TextStyle style;
    style.size = size;
    style.line_height = size * 1.25f;
    return style;
}

// Used when the layout asks for the widest the lines could be.
constexpr float max_content_width = 900;

}

LargeVideoMeta::LargeVideoMeta(std::string title, std::string creator, std::string meta)
    : m_title(std::move(title))
    , m_creator(std::move(creator))
    , m_meta(std::move(meta))
{
}

TextStyle LargeVideoMeta::title_style() { return style_of(14.5f); }

TextStyle LargeVideoMeta::detail_style() { return style_of(12.5f); }

layout::Style LargeVideoMeta::layout_style() const { return fixed_style(layout::Dimension::percent(1.0f), layout::Dimension::automatic()); }

layout::NodeId LargeVideoMeta::build_layout(layout::Tree& tree, BuildContext& context, NodeMap& nodes)
{
    m_scale = context.scale;
    return CardWidget::build_layout(tree, context, nodes);
}

std::optional<layout::Size<float>> LargeVideoMeta::measure(layout::Size<std::optional<float>> known,
    layout::Size<layout::AvailableSpace> available, BuildContext& context)
{
    float width = 1;
    if (known.width)
        width = *known.width;
    else if (available.width.is_definite())
        width = available.width.value();
    else if (available.width.is_min_content())
        width = 1;
    else
        width = max_content_width;
    width = std::max(width, 1.0f);

    auto& renderer = context.text;
    double h1 = renderer.measure_style(m_title, title_style(), width).height;
    double h2 = renderer.measure_style(m_creator, detail_style(), width).height;
    double h3 = renderer.measure_style(m_meta, detail_style(), width).height;
    m_second_line_y = float(h1 + 12 * m_scale);
    m_third_line_y = float(m_second_line_y + h2 + 8 * m_scale);
    m_height = float(m_third_line_y + h3 + 18 * m_scale);
    return layout::Size<float> { width, m_height };
}

void LargeVideoMeta::draw(Scene& scene, DrawContext& context)
{
    double width = m_rect.width();
    if (!(width > 0))
        return;
    auto title = title_style();
    title.color = context.theme.text;
    auto detail = detail_style();
    detail.color = context.theme.text_muted;
    scene.draw_text(m_title, title, { m_rect.x0, m_rect.y0 }, width);
    scene.draw_text(m_creator, detail, { m_rect.x0, m_rect.y0 + m_second_line_y }, width);
    scene.draw_text(m_meta, detail, { m_rect.x0, m_rect.y0 + m_third_line_y }, width);
}

}
