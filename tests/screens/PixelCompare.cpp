#include "tests/screens/PixelCompare.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include <fmt/format.h>

#include "kaso/ui/ImageDecode.h"

namespace vexa::test {

kaso::ErrorOr<kaso::ui::Image> read_png(std::filesystem::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return kaso::make_error(fmt::format("read_png: cannot open {}", path.string()));
    std::vector<char> chars((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return kaso::ui::decode_image(bytes);
}

kaso::ErrorOr<PixelDifference> compare_pixels(kaso::ui::Image const& a, kaso::ui::Image const& b, int tolerance)
{
    if (a.width != b.width || a.height != b.height)
        return kaso::make_error(fmt::format("compare_pixels: {}x{} against {}x{}", a.width, a.height, b.width, b.height));
    PixelDifference difference;
    for (int y = 0; y < a.height; ++y) {
        auto const* row_a = a.data() + std::size_t(y) * std::size_t(a.stride);
        auto const* row_b = b.data() + std::size_t(y) * std::size_t(b.stride);
        for (int x = 0; x < a.width; ++x) {
            int worst = 0;
            // Colour channels only: an opaque picture's fourth byte is undefined.
            for (int channel = 0; channel < 3; ++channel)
                worst = std::max(worst, std::abs(int(row_a[x * 4 + channel]) - int(row_b[x * 4 + channel])));
            difference.largest = std::max(difference.largest, worst);
            if (worst > tolerance)
                ++difference.pixels_beyond;
        }
    }
    return difference;
}

}
