#include <gtest/gtest.h>

#include <atomic>
#include <cairo.h>
#include <cstring>
#include <future>
#include <jpeglib.h>
#include <webp/encode.h>

#include "kaso/ui/ImageDecode.h"
#include "kaso/ui/ImageStore.h"

using namespace kaso::ui;
using namespace kaso::ui::image_store;
using namespace std::chrono_literals;

namespace {

// How long a test waits for the store to settle: the wait ends as soon as it is idle, so this only
// needs to be far above what a fetch takes on a starved machine.
constexpr auto settle = 30s;

using Bytes = std::vector<std::byte>;

// A 4x3 picture: opaque red on the left half, half-transparent blue on the right.
std::vector<uint8_t> sample_rgba()
{
    std::vector<uint8_t> rgba;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            if (x < 2)
                rgba.insert(rgba.end(), { 255, 0, 0, 255 });
            else
                rgba.insert(rgba.end(), { 0, 0, 255, 128 });
        }
    return rgba;
}

cairo_status_t append(void* closure, unsigned char const* data, unsigned int length)
{
    auto* out = static_cast<Bytes*>(closure);
    out->insert(out->end(), reinterpret_cast<std::byte const*>(data), reinterpret_cast<std::byte const*>(data) + length);
    return CAIRO_STATUS_SUCCESS;
}

Bytes png_bytes()
{
    auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 3);
    auto* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 0, 0, 2, 3);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 1, 128 / 255.0);
    cairo_rectangle(cr, 2, 0, 2, 3);
    cairo_fill(cr);
    cairo_destroy(cr);
    Bytes out;
    cairo_surface_write_to_png_stream(surface, append, &out);
    cairo_surface_destroy(surface);
    return out;
}

Bytes jpeg_bytes(int width = 16, int height = 8)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(std::size_t(width) * 3);
    for (int x = 0; x < width; ++x) {
        row[std::size_t(x) * 3] = 0;
        row[std::size_t(x) * 3 + 1] = 200;
        row[std::size_t(x) * 3 + 2] = 0;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(reinterpret_cast<std::byte*>(buffer), reinterpret_cast<std::byte*>(buffer) + size);
    std::free(buffer);
    return out;
}

Bytes webp_bytes()
{
    auto rgba = sample_rgba();
    uint8_t* output = nullptr;
    auto size = WebPEncodeLosslessRGBA(rgba.data(), 4, 3, 16, &output);
    Bytes out(reinterpret_cast<std::byte*>(output), reinterpret_cast<std::byte*>(output) + size);
    WebPFree(output);
    return out;
}

std::vector<uint8_t> as_u8(Bytes const& bytes)
{
    std::vector<uint8_t> out(bytes.size());
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

uint32_t pixel(Image const& image, int x, int y)
{
    uint32_t value;
    std::memcpy(&value, image.data() + y * image.stride + x * 4, 4);
    return value;
}

}

TEST(ImageDecode, EachFormat)
{
    auto png = decode_image(png_bytes());
    ASSERT_TRUE(png) << png.error().message;
    EXPECT_EQ(png->width, 4);
    EXPECT_EQ(pixel(*png, 0, 0), 0xffff0000u);
    EXPECT_EQ(pixel(*png, 3, 2) >> 24, 128u); // premultiplied half-transparent blue
    EXPECT_NEAR(double(pixel(*png, 3, 2) & 0xff), 128.0, 1.0);
    EXPECT_FALSE(png->opaque);

    auto webp = decode_image(webp_bytes());
    ASSERT_TRUE(webp) << webp.error().message;
    EXPECT_EQ(pixel(*webp, 0, 0), 0xffff0000u);
    EXPECT_EQ(pixel(*webp, 3, 2) >> 24, 128u);
    EXPECT_NEAR(double(pixel(*webp, 3, 2) & 0xff), 128.0, 1.0);

    auto jpeg = decode_image(jpeg_bytes());
    ASSERT_TRUE(jpeg) << jpeg.error().message;
    EXPECT_EQ(jpeg->width, 16);
    EXPECT_EQ(jpeg->height, 8);
    EXPECT_TRUE(jpeg->opaque);
    auto green = (pixel(*jpeg, 5, 5) >> 8) & 0xff;
    EXPECT_NEAR(double(green), 200.0, 4.0);
}

TEST(ImageDecode, HostileInputs)
{
    auto jpeg = jpeg_bytes();
    Bytes truncated_jpeg(jpeg.begin(), jpeg.begin() + 40);
    auto png = png_bytes();
    Bytes truncated_png(png.begin(), png.begin() + 30);
    // A PNG header claiming 100000 x 100000 pixels.
    Bytes huge_png = png;
    auto put32 = [&](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            huge_png[at + std::size_t(i)] = std::byte((value >> (24 - 8 * i)) & 0xff);
    };
    put32(16, 100000);
    put32(20, 100000);
    struct Case {
        char const* name;
        Bytes bytes;
    };
    std::vector<Case> cases = {
        { "empty", {} },
        { "text", Bytes { std::byte('h'), std::byte('i') } },
        { "gif", Bytes { std::byte('G'), std::byte('I'), std::byte('F'), std::byte('8'), std::byte('9'), std::byte('a') } },
        { "truncated jpeg", truncated_jpeg },
        { "truncated png", truncated_png },
        { "huge png", huge_png },
        { "webp header only", Bytes { std::byte('R'), std::byte('I'), std::byte('F'), std::byte('F'), std::byte(0), std::byte(0), std::byte(0), std::byte(0), std::byte('W'), std::byte('E'), std::byte('B'), std::byte('P') } },
    };
    for (auto const& c : cases)
        EXPECT_FALSE(decode_image(c.bytes)) << c.name;
}

TEST(ImageStore, LoadsRemembersFailuresAndNeverBlocks)
{
    std::atomic<int> fetches { 0 };
    std::atomic<bool> release_slow { false };
    auto store = std::make_unique<ImageStore>([&](std::string_view address) -> std::optional<std::vector<uint8_t>> {
        ++fetches;
        if (address == "png")
            return as_u8(png_bytes());
        if (address == "corrupt")
            return std::vector<uint8_t>(100, 0x42);
        if (address == "huge")
            return std::vector<uint8_t>(100u * 1024 * 1024, 0);
        if (address == "slow") {
            while (!release_slow)
                std::this_thread::sleep_for(1ms);
            return as_u8(jpeg_bytes());
        }
        return std::nullopt;
    });
    EXPECT_EQ(store->get("png").state, LoadState::Loading);
    EXPECT_EQ(store->get("slow").state, LoadState::Loading);
    store->get("corrupt");
    store->get("huge");
    store->get("missing");
    // A slow fetch keeps one worker busy until it is released; `get` still answers. Were `get` to
    // wait for that fetch it would never return on its own, so the bound only guards against a hang.
    auto asked = std::async(std::launch::async, [&] { return store->get("slow").state; });
    bool answered = asked.wait_for(settle) == std::future_status::ready;
    if (!answered)
        release_slow = true;
    EXPECT_TRUE(answered) << "get waited for a fetch in progress";
    EXPECT_EQ(asked.get(), LoadState::Loading);
    EXPECT_FALSE(store->block_until_idle(100ms));
    EXPECT_GE(store->pending(), 1u);
    release_slow = true;
    ASSERT_TRUE(store->block_until_idle(settle));
    EXPECT_EQ(store->pending(), 0u);

    auto png = store->get("png");
    EXPECT_EQ(png.state, LoadState::Loaded);
    ASSERT_TRUE(png.image);
    EXPECT_EQ(png.image->width, 4);
    EXPECT_EQ(store->get("slow").state, LoadState::Loaded);
    for (auto const* bad : { "corrupt", "huge", "missing", "" })
        EXPECT_EQ(store->get(bad).state, LoadState::Failed) << bad;
    int before = fetches;
    store->get("corrupt");
    store->get("missing");
    EXPECT_TRUE(store->block_until_idle(settle));
    EXPECT_EQ(fetches, before); // failures are not fetched again
}

TEST(ImageStore, EvictsTheLeastRecentlyUsedUnderTheBudget)
{
    ImageStoreOptions options;
    options.workers = 1;
    options.memory_budget = 2 * 16 * 8 * 4 + 10; // room for two 16x8 pictures
    ImageStore store([](std::string_view) -> std::optional<std::vector<uint8_t>> { return as_u8(jpeg_bytes()); }, options);
    for (auto const* address : { "a", "b" }) {
        store.get(address);
        ASSERT_TRUE(store.block_until_idle(settle));
    }
    store.get("a"); // a is now the most recent
    store.get("c");
    ASSERT_TRUE(store.block_until_idle(settle));
    EXPECT_EQ(store.cached_count(), 2u);
    EXPECT_LE(store.cached_bytes(), options.memory_budget);
    EXPECT_EQ(store.get("a").state, LoadState::Loaded);
    EXPECT_EQ(store.get("c").state, LoadState::Loaded);
    EXPECT_EQ(store.get("b").state, LoadState::Loading); // evicted: fetched again
    ASSERT_TRUE(store.block_until_idle(settle));
}
