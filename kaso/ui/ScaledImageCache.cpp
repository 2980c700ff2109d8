#include "kaso/ui/ScaledImageCache.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>

namespace kaso::ui {

struct ScaledImageCache::Entry {
    ImageHandle image; // held so the address cannot be reused by another picture while cached
    Placement placement;
    cairo_surface_t* surface { nullptr };
    Entry* next { nullptr };

    std::size_t bytes() const { return std::size_t(placement.width) * std::size_t(placement.height) * 4; }
};

ScaledImageCache& ScaledImageCache::for_this_thread()
{
    thread_local ScaledImageCache cache;
    return cache;
}

ScaledImageCache::~ScaledImageCache() { clear(); }

void ScaledImageCache::clear()
{
    while (m_entries) {
        auto* entry = m_entries;
        m_entries = entry->next;
        cairo_surface_destroy(entry->surface);
        delete entry;
    }
    m_bytes = 0;
}

cairo_surface_t* ScaledImageCache::placed(ImageHandle const& image, Placement const& placement)
{
    int width = placement.width;
    int height = placement.height;
    if (!image || width <= 0 || height <= 0 || image->width <= 0 || image->height <= 0)
        return nullptr;
    if (image->stride < image->width * 4 || image->byte_size() < std::size_t(image->stride) * std::size_t(image->height))
        return nullptr;
    if (std::size_t(width) * std::size_t(height) * 4 > budget_bytes)
        return nullptr;

    Entry** link = &m_entries;
    for (auto* entry = m_entries; entry; link = &entry->next, entry = entry->next) {
        if (entry->image == image && entry->placement == placement) {
            *link = entry->next;
            entry->next = m_entries;
            m_entries = entry;
            return entry->surface;
        }
    }

    auto* source = cairo_image_surface_create_for_data(const_cast<unsigned char*>(image->data()),
        image->opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, image->width, image->height, image->stride);
    auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(source);
        cairo_surface_destroy(surface);
        return nullptr;
    }
    auto* cr = cairo_create(surface);
    double r = std::clamp(placement.radius, 0.0, std::min(width, height) / 2.0);
    if (r > 0) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, width - r, r, r, -M_PI / 2, 0);
        cairo_arc(cr, width - r, height - r, r, 0, M_PI / 2);
        cairo_arc(cr, r, height - r, r, M_PI / 2, M_PI);
        cairo_arc(cr, r, r, r, M_PI, 3 * M_PI / 2);
        cairo_close_path(cr);
        cairo_clip(cr);
    }
    cairo_translate(cr, placement.picture_x, placement.picture_y);
    cairo_scale(cr, placement.picture_width / image->width, placement.picture_height / image->height);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(source);
    cairo_surface_flush(surface);

    auto* entry = new Entry { image, placement, surface, m_entries };
    m_entries = entry;
    m_bytes += entry->bytes();
    // Drop the least recently used copies beyond the budget, never the one just made.
    while (m_bytes > budget_bytes) {
        Entry** last = &m_entries->next;
        if (!*last)
            break;
        while ((*last)->next)
            last = &(*last)->next;
        m_bytes -= (*last)->bytes();
        cairo_surface_destroy((*last)->surface);
        delete *last;
        *last = nullptr;
    }
    return surface;
}

}
