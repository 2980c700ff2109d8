#pragma once

#include <string>

#include "kaso/ui/TextStyle.h"
#include "src/widgets/CardWidget.h"

namespace vexa {

// The three text lines under a video card in the large form: the title, then the creator and
// the meta line in the muted colour, each wrapped to the width, with the gaps scaled. Text is
// measured and painted in the same styles, so the measured height is the painted height.
class LargeVideoMeta final : public CardWidget {
public:
    LargeVideoMeta(std::string title, std::string creator, std::string meta);

    std::string const& title() const { return m_title; }
    std::string const& creator() const { return m_creator; }
    std::string const& meta() const { return m_meta; }
    float second_line_y() const { return m_second_line_y; }
    float third_line_y() const { return m_third_line_y; }
    float measured_height() const { return m_height; }

    static kaso::ui::TextStyle title_style();
    static kaso::ui::TextStyle detail_style();

    // Widget
    char const* type_name() const override { return "LargeVideoMeta"; }
    kaso::layout::Style layout_style() const override;
    kaso::layout::NodeId build_layout(kaso::layout::Tree& tree, kaso::ui::BuildContext& context, kaso::ui::NodeMap& nodes) override;
    std::optional<kaso::layout::Size<float>> measure(kaso::layout::Size<std::optional<float>> known,
        kaso::layout::Size<kaso::layout::AvailableSpace> available, kaso::ui::BuildContext& context) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;

private:
    std::string m_title;
    std::string m_creator;
    std::string m_meta;
    float m_second_line_y { 0 };
    float m_third_line_y { 0 };
    float m_height { 0 };
    float m_scale { 1 };
};

}
