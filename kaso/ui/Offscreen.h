#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "kaso/platform/Error.h"
#include "kaso/ui/Image.h"

namespace kaso::ui {

class FrameCanvas;
class FrameDriver;
struct FrameDamage;

// Paints the driver's current scene into a picture of its viewport times its scale, with no
// window: the same painter the window uses.
ErrorOr<Image> paint_offscreen(FrameDriver& driver);

// The same into a canvas kept from frame to frame, as the window paints: pixels the previous
// frame already has are reused.
ErrorOr<FrameDamage> paint_offscreen_into(FrameDriver& driver, FrameCanvas& canvas);

// Runs one frame of the driver and paints it.
ErrorOr<Image> render_offscreen(FrameDriver& driver, uint64_t now_ms);
ErrorOr<FrameDamage> render_offscreen_into(FrameDriver& driver, uint64_t now_ms, FrameCanvas& canvas);

// PNG bytes of a picture, and a PNG file written whole.
ErrorOr<std::vector<std::byte>> encode_png(Image const& image);
ErrorOr<void> write_png(std::filesystem::path const& path, Image const& image);

}
