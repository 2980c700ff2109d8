#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "kaso/platform/Error.h"
#include "kaso/ui/Image.h"

namespace kaso::ui {

class FrameDriver;

// Paints the driver's current scene into a picture of its viewport times its scale, with no
// window: the same painter the window uses.
ErrorOr<Image> paint_offscreen(FrameDriver& driver);

// Runs one frame of the driver and paints it.
ErrorOr<Image> render_offscreen(FrameDriver& driver, uint64_t now_ms);

// PNG bytes of a picture, and a PNG file written whole.
ErrorOr<std::vector<std::byte>> encode_png(Image const& image);
ErrorOr<void> write_png(std::filesystem::path const& path, Image const& image);

}
