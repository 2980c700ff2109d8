#pragma once

#include <cstddef>

#include "kaso/ui/Image.h"

typedef struct _cairo_surface cairo_surface_t;

namespace kaso::ui {

// Pictures scaled once to the device size they are painted at, so that a frame that paints
// the same picture at the same size again (every scroll frame of a page of thumbnails) copies
// pixels instead of filtering them anew. One cache per painting thread, bounded in bytes; the
// least recently used copies go first.
class ScaledImageCache {
public:
    static constexpr std::size_t budget_bytes = 64u * 1024 * 1024;

    static ScaledImageCache& for_this_thread();

    // A surface of `image` scaled to width by height device pixels; none when it cannot be
    // made. The surface stays owned by the cache and valid until the next call.
    cairo_surface_t* scaled(ImageHandle const& image, int width, int height);

    std::size_t cached_bytes() const { return m_bytes; }
    void clear();

    ~ScaledImageCache();

private:
    struct Entry;
    Entry* m_entries { nullptr }; // most recent first
    std::size_t m_bytes { 0 };
};

}
