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
};

using ImageHandle = std::shared_ptr<Image const>;

}
