#pragma once

#include <string>
#include <string_view>

#include "src/widgets/CardWidget.h"
#include "src/widgets/PictureSource.h"

namespace vexa {

// A creator's round picture, `size` across; the initials of the name on a colour until (or
// unless) the picture arrives.
class ChannelAvatar final : public CardWidget {
public:
    ChannelAvatar(kaso::ui::image_store::SharedImageStore store, std::string url, std::string_view name, float size);

    std::string const& initials() const { return m_initials; }
    std::string const& url() const { return m_picture.url; }
    float size() const { return m_size; }
    bool has_image() const { return m_picture.image != nullptr; }
    bool has_store() const { return m_picture.store != nullptr; }

    // Widget
    char const* type_name() const override { return "ChannelAvatar"; }
    kaso::layout::Style layout_style() const override;
    void sync(kaso::ui::SyncContext& context) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;
    std::optional<kaso::ui::AccessNode> accessibility() const override;

private:
    PictureSource m_picture;
    std::string m_initials;
    float m_size { 36 };
};

}
