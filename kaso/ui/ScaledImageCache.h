#pragma once

#include <cstddef>

#include "kaso/ui/Image.h"

typedef struct _cairo_surface cairo_surface_t;

namespace kaso::ui {

// Pictures scaled once to the device size they are painted at, cropped to their box and with
// its rounded corners cut out, so that a frame that paints the same picture in a box of the
// same size again (every scroll frame of a page of thumbnails) copies pixels instead of
// filtering and masking them anew. One cache per painting thread, bounded in bytes; the least
// recently used copies go first.
class ScaledImageCache {
public:
    static constexpr std::size_t budget_bytes = 24u * 1024 * 1024;

    static ScaledImageCache& for_this_thread();

    // Where a picture lies in its box, in device pixels: the box is width by height, the
    // scaled picture's top-left corner is at (picture_x, picture_y) in it and it is
    // picture_width by picture_height; the box's corners are rounded by `radius`.
    struct Placement {
        int width { 0 };
        int height { 0 };
        double picture_x { 0 };
        double picture_y { 0 };
        double picture_width { 0 };
        double picture_height { 0 };
        double radius { 0 };
        bool operator==(Placement const&) const = default;
    };

    // An ARGB surface of the box with the picture in it (transparent outside the picture and
    // the rounded corners); none when it cannot be made. The surface stays owned by the cache
    // and valid until the next call.
    cairo_surface_t* placed(ImageHandle const& image, Placement const& placement);

    std::size_t cached_bytes() const { return m_bytes; }
    void clear();

    ~ScaledImageCache();

private:
    struct Entry;
    Entry* m_entries { nullptr }; // most recent first
    std::size_t m_bytes { 0 };
};

}
