#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kaso::ui {

// A decoded picture in Cairo's ARGB32 layout: premultiplied, native-endian 32-bit pixels, rows
// `stride` bytes apart. Shared read-only between the decoder, the scene and the painter.
struct Image {
    int width { 0 };
    int height { 0 };
    int stride { 0 };
    std::vector<uint8_t> pixels;
    bool opaque { false }; // every alpha is 255: painted as RGB24
    // Pixels owned elsewhere (a decoded video picture): `external` points at them and
    // `keep_alive` holds their owner for as long as the image lives. `pixels` is then empty.
    uint8_t const* external { nullptr };
    std::shared_ptr<void const> keep_alive;
    // The owner of `external` never writes them again while the image lives (a decoded video
    // picture once handed out), so one handle shows one picture.
    bool external_fixed { false };

    uint8_t const* data() const { return external ? external : pixels.data(); }
    // Whether the pixels may change under the same handle.
    bool may_change() const { return external && !external_fixed; }
    std::size_t byte_size() const { return external ? std::size_t(stride) * std::size_t(height) : pixels.size(); }
};

using ImageHandle = std::shared_ptr<Image const>;

}
