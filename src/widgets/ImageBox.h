#pragma once

#include <string>

#include "src/widgets/CardWidget.h"
#include "src/widgets/PictureSource.h"

namespace vexa {

// Any other picture (a playlist's, a banner): full width and `height` high with rounded
// corners; a placeholder coloured from the seed until the picture arrives.
class ImageBox final : public CardWidget {
public:
    ImageBox(std::string seed, float height, double radius, kaso::ui::ImageHandle image = nullptr);

    ImageBox&& with_image(kaso::ui::image_store::SharedImageStore store, std::string url) &&;

    std::string const& url() const { return m_picture.url; }
    bool has_image() const { return m_picture.image != nullptr; }

    // Widget
    char const* type_name() const override { return "ImageBox"; }
    kaso::layout::Style layout_style() const override;
    void sync(kaso::ui::SyncContext& context) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;

private:
    PictureSource m_picture;
    std::string m_seed;
    double m_radius { 0 };
    float m_height { 0 };
};

}
