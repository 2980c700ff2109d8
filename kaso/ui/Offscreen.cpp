#include "kaso/ui/Offscreen.h"

#include <cairo.h>
#include <cmath>
#include <cstring>

#include "kaso/platform/AtomicFile.h"
#include "kaso/ui/FrameCanvas.h"
#include "kaso/ui/FrameDriver.h"

namespace kaso::ui {

namespace {

constexpr int max_dimension = 16384;

cairo_status_t append_bytes(void* closure, unsigned char const* data, unsigned int length)
{
    auto* bytes = static_cast<std::vector<std::byte>*>(closure);
    auto const* start = reinterpret_cast<std::byte const*>(data);
    bytes->insert(bytes->end(), start, start + length);
    return CAIRO_STATUS_SUCCESS;
}

}

ErrorOr<FrameDamage> paint_offscreen_into(FrameDriver& driver, FrameCanvas& canvas)
{
    double width = std::ceil(driver.width() * driver.scale());
    double height = std::ceil(driver.height() * driver.scale());
    if (!(width >= 1 && height >= 1 && width <= max_dimension && height <= max_dimension))
        return make_error(fmt::format("offscreen: picture size {}x{} out of range", width, height));
    return canvas.paint(driver.scene(), driver.text(), driver.scale(), driver.theme().background, int(width), int(height));
}

ErrorOr<Image> paint_offscreen(FrameDriver& driver)
{
    FrameCanvas canvas;
    TRY(paint_offscreen_into(driver, canvas));
    return std::move(canvas).take_image();
}

ErrorOr<FrameDamage> render_offscreen_into(FrameDriver& driver, uint64_t now_ms, FrameCanvas& canvas)
{
    driver.frame(now_ms);
    return paint_offscreen_into(driver, canvas);
}

ErrorOr<Image> render_offscreen(FrameDriver& driver, uint64_t now_ms)
{
    driver.frame(now_ms);
    return paint_offscreen(driver);
}

ErrorOr<std::vector<std::byte>> encode_png(Image const& image)
{
    if (image.width <= 0 || image.height <= 0 || image.stride < image.width * 4
        || image.byte_size() < std::size_t(image.stride) * std::size_t(image.height))
        return make_error("png: empty or inconsistent picture");
    auto* surface = cairo_image_surface_create_for_data(const_cast<unsigned char*>(image.data()),
        image.opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, image.width, image.height, image.stride);
    std::vector<std::byte> bytes;
    auto status = cairo_surface_write_to_png_stream(surface, append_bytes, &bytes);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        return make_error(fmt::format("png: encoding failed: {}", cairo_status_to_string(status)));
    return bytes;
}

ErrorOr<void> write_png(std::filesystem::path const& path, Image const& image)
{
    auto bytes = TRY(encode_png(image));
    return kaso::platform::write_file_atomically(path, bytes);
}

}
