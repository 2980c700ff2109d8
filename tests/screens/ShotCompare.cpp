// Compares two PNG pictures within the screenshot tolerance:  screens_shot_compare A.png B.png
// Exits 0 when every pixel is within it, 1 with a line saying how they differ otherwise.

#include <cstdio>

#include "tests/screens/PixelCompare.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s A.png B.png\n", argv[0]);
        return 2;
    }
    auto a = vexa::test::read_png(argv[1]);
    auto b = vexa::test::read_png(argv[2]);
    if (!a || !b) {
        std::printf("cannot read: %s\n", (!a ? a.error() : b.error()).message.c_str());
        return 1;
    }
    auto difference = vexa::test::compare_pixels(*a, *b);
    if (!difference) {
        std::printf("%s\n", difference.error().message.c_str());
        return 1;
    }
    std::printf("largest channel difference %d, %zu pixels beyond %d\n", difference->largest, difference->pixels_beyond, vexa::test::pixel_tolerance);
    return difference->pixels_beyond == 0 ? 0 : 1;
}
