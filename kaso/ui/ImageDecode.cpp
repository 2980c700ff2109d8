#include "kaso/ui/ImageDecode.h"

#include <cairo.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <webp/decode.h>

namespace kaso::ui {

namespace {

bool starts_with(std::span<std::byte const> bytes, std::initializer_list<int> prefix, std::size_t at = 0)
{
    if (bytes.size() < at + prefix.size())
        return false;
    std::size_t i = at;
    for (int value : prefix)
        if (std::to_integer<int>(bytes[i++]) != value)
            return false;
    return true;
}

// Whether a picture of this size may be decoded at all: within the pixel budget, and no side
// longer than the painter's surfaces take.
bool within_limits(std::size_t width, std::size_t height)
{
    return width * height <= max_decoded_pixels && width <= 32767 && height <= 32767;
}

ErrorOr<Image> blank_image(uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0)
        return make_error("image: empty picture");
    if (!within_limits(width, height))
        return make_error(fmt::format("image: {}x{} is too large", width, height));
    Image image;
    image.width = int(width);
    image.height = int(height);
    image.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, image.width);
    image.pixels.resize(std::size_t(image.stride) * std::size_t(image.height));
    return image;
}

// Straight BGRA (memory order) into Cairo's premultiplied native ARGB32, in place.
void premultiply(Image& image)
{
    bool opaque = true;
    for (int y = 0; y < image.height; ++y) {
        auto* row = image.pixels.data() + std::size_t(y) * std::size_t(image.stride);
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = row + x * 4;
            uint32_t a = p[3];
            if (a != 255) {
                opaque = false;
                p[0] = uint8_t((p[0] * a + 127) / 255);
                p[1] = uint8_t((p[1] * a + 127) / 255);
                p[2] = uint8_t((p[2] * a + 127) / 255);
            }
        }
    }
    image.opaque = opaque;
}

ErrorOr<Image> decode_png(std::span<std::byte const> bytes)
{
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return make_error(fmt::format("image: bad PNG: {}", png.message));
    auto image = blank_image(png.width, png.height);
    if (!image) {
        png_image_free(&png);
        return image;
    }
    png.format = PNG_FORMAT_BGRA;
    if (!png_image_finish_read(&png, nullptr, image->pixels.data(), image->stride, nullptr)) {
        std::string message = png.message;
        png_image_free(&png);
        return make_error(fmt::format("image: bad PNG: {}", message));
    }
    png_image_free(&png);
    premultiply(*image);
    return image;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpeg_fail(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Everything that must survive a longjmp lives outside this function's frame.
bool jpeg_decode_into(jpeg_decompress_struct& info, JpegError& error, std::span<std::byte const> bytes, Image& image, std::string& failure)
{
    if (setjmp(error.jump)) {
        failure = error.message;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        failure = "no header";
        return false;
    }
    if (!within_limits(info.image_width, info.image_height)) {
        failure = fmt::format("{}x{} is too large", info.image_width, info.image_height);
        return false;
    }
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    image.width = int(info.output_width);
    image.height = int(info.output_height);
    image.stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, image.width);
    image.pixels.assign(std::size_t(image.stride) * std::size_t(image.height), 0xff);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.pixels.data() + std::size_t(info.output_scanline) * std::size_t(image.stride);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

ErrorOr<Image> decode_jpeg(std::span<std::byte const> bytes)
{
    jpeg_decompress_struct info {};
    JpegError error {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpeg_fail;
    error.manager.output_message = [](j_common_ptr) { };
    Image image;
    std::string failure;
    bool ok = jpeg_decode_into(info, error, bytes, image, failure);
    jpeg_destroy_decompress(&info);
    if (!ok)
        return make_error(fmt::format("image: bad JPEG: {}", failure));
    image.opaque = true;
    for (std::size_t i = 3; i < image.pixels.size(); i += 4)
        image.pixels[i] = 0xff;
    return image;
}

ErrorOr<Image> decode_webp(std::span<std::byte const> bytes)
{
    auto const* data = reinterpret_cast<uint8_t const*>(bytes.data());
    int width = 0, height = 0;
    if (!WebPGetInfo(data, bytes.size(), &width, &height))
        return make_error("image: bad WebP header");
    auto image = TRY(blank_image(uint32_t(width), uint32_t(height)));
    if (!WebPDecodeBGRAInto(data, bytes.size(), image.pixels.data(), image.pixels.size(), image.stride))
        return make_error("image: bad WebP data");
    premultiply(image);
    return image;
}

}

ErrorOr<Image> decode_image(std::span<std::byte const> bytes)
{
    if (starts_with(bytes, { 0xff, 0xd8, 0xff }))
        return decode_jpeg(bytes);
    if (starts_with(bytes, { 0x89, 'P', 'N', 'G' }))
        return decode_png(bytes);
    if (starts_with(bytes, { 'R', 'I', 'F', 'F' }) && starts_with(bytes, { 'W', 'E', 'B', 'P' }, 8))
        return decode_webp(bytes);
    return make_error("image: unknown format");
}

}
