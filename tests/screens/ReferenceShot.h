#pragma once

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "kaso/ui/Offscreen.h"
#include "tests/screens/PixelCompare.h"

namespace vexa::test {

// Checks a rendering against its committed reference picture, pixel by pixel within the
// tolerance. With VEXA_UPDATE_SCREENSHOTS set it writes the rendering as the new reference.
inline void expect_matches_reference(kaso::ui::Image const& picture, std::filesystem::path const& path)
{
    if (std::getenv("VEXA_UPDATE_SCREENSHOTS")) {
        ASSERT_TRUE(kaso::ui::write_png(path, picture));
        return;
    }
    auto reference = read_png(path);
    ASSERT_TRUE(reference) << reference.error().message;
    auto difference = compare_pixels(picture, *reference);
    ASSERT_TRUE(difference) << difference.error().message;
    EXPECT_EQ(difference->pixels_beyond, 0u) << "largest channel difference " << difference->largest;
}

}
