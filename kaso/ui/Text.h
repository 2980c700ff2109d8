#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kaso/ui/BuilderSetter.h"
#include "kaso/ui/Color.h"
#include "kaso/ui/TextStyle.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui {

// A run of text as a layout leaf, measured with the text renderer. By default it wraps within
// the width it is given; `max_lines` ends the last shown line in an ellipsis, and `wrap(false)`
// keeps it on one line (ellipsized at the box edge when a line limit is set). Without a colour
// it paints in the theme's text colour.
//
// Built by value: Text("Home").size(21).color(theme.text_muted).with_id("title").
class Text final : public Widget {
public:
    explicit Text(std::string text);

    KASO_BUILDER_SETTER(Text, size, float, m_style.size = value)
    KASO_BUILDER_SETTER(Text, color, Color, m_color = value)
    KASO_BUILDER_SETTER(Text, weight, FontWeight, m_style.weight = value)
    KASO_BUILDER_SETTER(Text, align, TextAlign, m_style.align = value)
    KASO_BUILDER_SETTER(Text, max_lines, int, m_style.max_lines = value < 0 ? 0 : value)
    KASO_BUILDER_SETTER(Text, line_height, float, m_style.line_height = value)
    KASO_BUILDER_SETTER(Text, wrap, bool, m_wrap = value)
    KASO_BUILDER_SETTER(Text, with_id, std::string, m_id = std::move(value))

    std::string const& text() const { return m_text; }
    TextStyle const& style() const { return m_style; }
    std::optional<Color> const& color() const { return m_color; }
    bool wraps() const { return m_wrap; }

    // Widget
    char const* type_name() const override { return "Text"; }
    std::optional<std::string> widget_id() const override { return m_id; }
    std::optional<layout::Size<float>> measure(layout::Size<std::optional<float>> known,
        layout::Size<layout::AvailableSpace> available, BuildContext& context) override;
    void draw(Scene& scene, DrawContext& context) override;

    // The content size for the given constraints; what the layout's measure callback answers.
    layout::Size<float> measure_with(TextRenderer& renderer, layout::Size<std::optional<float>> known,
        layout::Size<layout::AvailableSpace> available);

private:
    Size measured(TextRenderer& renderer, double max_width);
    double min_content_width(TextRenderer& renderer);
    bool ellipsizes() const { return m_style.max_lines > 0; }

    std::string m_text;
    TextStyle m_style;
    std::optional<Color> m_color;
    std::optional<std::string> m_id;
    bool m_wrap { true };

    // Measurements of this text, kept for the life of the tree (the text never changes).
    struct Measurement {
        double max_width;
        Size size;
    };
    std::vector<Measurement> m_measurements;
    std::optional<double> m_min_content_width;
};

}
