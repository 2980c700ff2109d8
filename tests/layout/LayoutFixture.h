#pragma once

#include "kaso/ui/layout/Tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kaso::layout::testing {

inline Dimension px(float value) { return Dimension::px(value); }
inline Dimension percent(float fraction) { return Dimension::percent(fraction); }
inline Dimension automatic() { return Dimension::automatic(); }

inline Size<Dimension> sized(float width, float height) { return { px(width), px(height) }; }
inline Edges<float> all_sides(float value) { return { value, value, value, value }; }

inline Style row_style() { return Style {}; }
inline Style column_style()
{
    Style style;
    style.flex_direction = FlexDirection::Column;
    return style;
}

// A fixed-size leaf.
inline NodeId fixed_leaf(Tree& tree, float width, float height, Style style = {})
{
    style.size = sized(width, height);
    return tree.new_leaf(style);
}

// A box the test expects: position relative to the parent and size.
struct Box {
    float x;
    float y;
    float width;
    float height;
};

inline std::string describe(Layout const& layout)
{
    std::ostringstream out;
    out << "{x " << layout.x << ", y " << layout.y << ", w " << layout.width << ", h " << layout.height
        << ", content " << layout.content_width << "x" << layout.content_height << "}";
    return out.str();
}

inline void expect_box(Tree const& tree, NodeId node, Box expected, std::string const& what, float tolerance = 0.01f)
{
    Layout const& actual = tree.layout(node);
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what << " " << describe(actual);
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what << " " << describe(actual);
    EXPECT_NEAR(actual.width, expected.width, tolerance) << what << " " << describe(actual);
    EXPECT_NEAR(actual.height, expected.height, tolerance) << what << " " << describe(actual);
}

// A paragraph stand-in for a text leaf: `words` words of `word_width` pixels separated by
// spaces of `space` pixels, lines `line_height` high, wrapped greedily at the offered width.
struct FakeText {
    int words { 10 };
    float word_width { 40.0f };
    float space { 10.0f };
    float line_height { 20.0f };
    int* calls { nullptr };

    float max_content_width() const { return words * word_width + (words - 1) * space; }

    Size<float> operator()(Size<std::optional<float>> known, Size<AvailableSpace> available) const
    {
        if (calls)
            ++*calls;
        float limit = max_content_width();
        if (known.width)
            limit = *known.width;
        else if (available.width.is_definite())
            limit = available.width.value();
        else if (available.width.is_min_content())
            limit = word_width;
        int lines = 1;
        float line = 0.0f;
        float widest = 0.0f;
        for (int i = 0; i < words; ++i) {
            float next = line == 0.0f ? word_width : line + space + word_width;
            if (line > 0.0f && next > limit) {
                widest = std::max(widest, line);
                ++lines;
                line = word_width;
            } else {
                line = next;
            }
        }
        widest = std::max(widest, line);
        Size<float> size { known.width ? *known.width : widest, lines * line_height };
        if (known.height)
            size.height = *known.height;
        return size;
    }
};

}
