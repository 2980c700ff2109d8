#pragma once

#include <cstdint>
#include <span>

namespace kaso::media {

// One decoded picture, laid out the way Cairo paints it without conversion: 32 bits per pixel in
// native byte order with the top byte unused (CAIRO_FORMAT_RGB24; B, G, R, x in memory on a
// little-endian machine). The bytes stay valid for as long as the shared pointer that handed out
// the frame lives; the engine never writes into a frame it has handed out.
struct VideoFrame {
    uint32_t width { 0 };            // pixels
    uint32_t height { 0 };           // pixels
    uint32_t stride { 0 };           // bytes per row, a multiple of 4 and at least width * 4
    uint64_t pts_ms { 0 };           // presentation time in stream time (ms from the start)
    uint64_t serial { 0 };           // 1 for the first picture after open, +1 for each one after
    std::span<uint8_t const> bytes;  // height * stride bytes, first row first
};

}
