#pragma once

#include <optional>
#include <string>

#include "src/widgets/CardWidget.h"
#include "src/widgets/PictureSource.h"

namespace vexa {

// A video's picture, full width and `height` high, with its duration (or "LIVE") badge in the
// bottom right corner and an optional bar of how much was watched. Until the picture arrives it
// paints a placeholder coloured from the seed, with a play disc in the middle.
class Thumbnail final : public CardWidget {
public:
    Thumbnail(std::string seed, uint32_t duration_seconds);

    Thumbnail&& with_image(kaso::ui::image_store::SharedImageStore store, std::string url) &&;
    // The fraction watched, kept within 0..1 (a value that is no number shows no bar).
    Thumbnail&& progress(float fraction) &&;
    Thumbnail&& height(float pixels) &&;
    Thumbnail&& live(bool is_live) &&;
    Thumbnail&& large(bool is_large) &&;

    std::string const& seed() const { return m_seed; }
    std::string const& url() const { return m_picture.url; }
    std::optional<float> progress() const { return m_progress; }
    float height() const { return m_height; }
    bool is_live() const { return m_live; }
    bool has_image() const { return m_picture.image != nullptr; }

    // Widget
    char const* type_name() const override { return "Thumbnail"; }
    kaso::layout::Style layout_style() const override;
    void sync(kaso::ui::SyncContext& context) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;

private:
    void draw_placeholder(kaso::ui::Scene& scene, kaso::ui::Rect rect, double radius) const;

    PictureSource m_picture;
    std::string m_seed;
    std::optional<float> m_progress;
    uint32_t m_duration { 0 };
    float m_height { 169 };
    bool m_live { false };
    bool m_large { false };
};

}
