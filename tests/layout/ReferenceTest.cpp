#include "kaso/ui/layout/Tree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <string>

// Our boxes against the boxes headless Chromium produced for the same layouts written as
// HTML/CSS (reference/generate_boxes.py wrote the fixture from reference/cases.json).

using namespace kaso::layout;
using nlohmann::json;

namespace {

constexpr float s_tolerance = 0.5f;

Dimension dimension(json const& value)
{
    if (value.is_null())
        return Dimension::automatic();
    if (value.is_string()) {
        std::string text = value.get<std::string>();
        return Dimension::percent(std::stof(text.substr(0, text.size() - 1)) / 100.0f);
    }
    return Dimension::px(value.get<float>());
}

AlignItems align(std::string const& name)
{
    if (name == "start")
        return AlignItems::Start;
    if (name == "center")
        return AlignItems::Center;
    if (name == "end")
        return AlignItems::End;
    return AlignItems::Stretch;
}

JustifyContent justify(std::string const& name)
{
    if (name == "center")
        return JustifyContent::Center;
    if (name == "end")
        return JustifyContent::End;
    if (name == "space-between")
        return JustifyContent::SpaceBetween;
    return JustifyContent::Start;
}

Style style_of(json const& spec)
{
    Style style;
    std::string display = spec.value("display", "flex");
    style.display = display == "block" ? Display::Block : display == "grid" ? Display::Grid : Display::Flex;
    if (spec.value("position", "") == "absolute")
        style.position = Position::Absolute;
    if (spec.contains("inset")) {
        json const& inset = spec["inset"];
        style.inset = { dimension(inset[0]), dimension(inset[1]), dimension(inset[2]), dimension(inset[3]) };
    }
    if (spec.value("overflow", "") == "hidden")
        style.overflow = { Overflow::Hidden, Overflow::Hidden };
    if (spec.contains("width"))
        style.size.width = dimension(spec["width"]);
    if (spec.contains("height"))
        style.size.height = dimension(spec["height"]);
    if (spec.contains("min_width"))
        style.min_size.width = dimension(spec["min_width"]);
    if (spec.contains("min_height"))
        style.min_size.height = dimension(spec["min_height"]);
    if (spec.contains("max_width"))
        style.max_size.width = dimension(spec["max_width"]);
    if (spec.contains("max_height"))
        style.max_size.height = dimension(spec["max_height"]);
    if (spec.contains("padding")) {
        json const& padding = spec["padding"];
        style.padding = { padding[0].get<float>(), padding[1].get<float>(), padding[2].get<float>(), padding[3].get<float>() };
    }
    if (spec.contains("gap")) {
        json const& gap = spec["gap"];
        style.gap = gap.is_array() ? Size<float> { gap[0].get<float>(), gap[1].get<float>() } : Size<float> { gap.get<float>(), gap.get<float>() };
    }
    if (spec.value("direction", "row") == "column")
        style.flex_direction = FlexDirection::Column;
    if (spec.value("wrap", false))
        style.flex_wrap = FlexWrap::Wrap;
    if (spec.contains("align"))
        style.align_items = align(spec["align"]);
    if (spec.contains("align_self"))
        style.align_self = align(spec["align_self"]);
    if (spec.contains("justify"))
        style.justify_content = justify(spec["justify"]);
    style.flex_grow = spec.value("grow", 0.0f);
    style.flex_shrink = spec.value("shrink", 1.0f);
    if (spec.contains("basis"))
        style.flex_basis = dimension(spec["basis"]);
    if (spec.contains("grid_min_column"))
        style.grid_min_column = spec["grid_min_column"].get<float>();
    return style;
}

// A paragraph of `words` words, 40 px wide and 20 px high, 10 px apart, measured as CSS sizes
// text: min-content is one word, max-content one line, and a definite space is filled up to
// the max-content width (fit-content); the height is the line count at that width.
MeasureFunction paragraph(int words)
{
    return [words](Size<std::optional<float>> known, Size<AvailableSpace> available) {
        constexpr float word = 40.0f;
        constexpr float space = 10.0f;
        constexpr float line_height = 20.0f;
        float max_content = static_cast<float>(words) * (word + space) - space;
        float width = max_content;
        if (known.width)
            width = *known.width;
        else if (available.width.is_min_content())
            width = word;
        else if (available.width.is_definite())
            width = std::min(max_content, std::max(word, available.width.value()));
        float per_line = std::max(1.0f, std::floor((width + space) / (word + space)));
        float lines = std::ceil(static_cast<float>(words) / per_line);
        return Size<float> { width, known.height ? *known.height : lines * line_height };
    };
}

NodeId build(Tree& tree, json const& spec, std::map<std::string, NodeId>& ids)
{
    if (spec.contains("text")) {
        NodeId text = tree.new_leaf_with_measure(Style {}, paragraph(spec["text"].get<int>()));
        ids[spec["id"].get<std::string>()] = text;
        return text;
    }
    std::vector<NodeId> children;
    for (json const& child : spec.value("children", json::array()))
        children.push_back(build(tree, child, ids));
    NodeId node = tree.new_with_children(style_of(spec.value("style", json::object())), children);
    ids[spec["id"].get<std::string>()] = node;
    return node;
}

// Builds the case's tree and solves it in its viewport, unrounded like Chromium's boxes.
std::map<std::string, NodeId> solve(Tree& tree, json const& scenario)
{
    tree.set_rounding(Rounding::Off);
    std::map<std::string, NodeId> ids;
    NodeId root = build(tree, scenario["root"], ids);
    tree.compute_layout(root, AvailableSpace::definite(scenario["viewport"][0].get<float>()),
        AvailableSpace::definite(scenario["viewport"][1].get<float>()));
    return ids;
}

json const& fixture()
{
    static json const loaded = [] {
        std::ifstream file(LAYOUT_REFERENCE_FIXTURE);
        return json::parse(file, nullptr, false);
    }();
    return loaded;
}

TEST(ChromiumReference, fixture_is_readable)
{
    ASSERT_FALSE(fixture().is_discarded()) << LAYOUT_REFERENCE_FIXTURE;
    EXPECT_GE(fixture()["cases"].size(), 20u);
}

TEST(ChromiumReference, every_box_matches_within_half_a_pixel)
{
    ASSERT_FALSE(fixture().is_discarded());
    std::size_t compared = 0;
    for (json const& scenario : fixture()["cases"]) {
        std::string name = scenario["name"];
        Tree tree;
        std::map<std::string, NodeId> ids = solve(tree, scenario);
        for (auto const& [id, box] : scenario["boxes"].items()) {
            ASSERT_TRUE(ids.contains(id)) << name << " " << id;
            Layout const& ours = tree.layout(ids[id]);
            std::string where = name + " node " + id;
            EXPECT_NEAR(ours.x, box[0].get<float>(), s_tolerance) << where;
            EXPECT_NEAR(ours.y, box[1].get<float>(), s_tolerance) << where;
            EXPECT_NEAR(ours.width, box[2].get<float>(), s_tolerance) << where;
            EXPECT_NEAR(ours.height, box[3].get<float>(), s_tolerance) << where;
            ++compared;
        }
    }
    EXPECT_GE(compared, 100u);
}

// Chromium reports scroll extents in whole pixels, so these compare within one.
TEST(ChromiumReference, clipping_nodes_report_the_scroll_extent_as_content_size)
{
    ASSERT_FALSE(fixture().is_discarded());
    std::size_t compared = 0;
    for (json const& scenario : fixture()["cases"]) {
        if (!scenario.contains("scroll_extents"))
            continue;
        Tree tree;
        std::map<std::string, NodeId> ids = solve(tree, scenario);
        for (auto const& [id, extent] : scenario["scroll_extents"].items()) {
            Layout const& ours = tree.layout(ids.at(id));
            std::string where = scenario["name"].get<std::string>() + " node " + id;
            EXPECT_NEAR(ours.content_width, extent[0].get<float>(), 1.0f) << where;
            EXPECT_NEAR(ours.content_height, extent[1].get<float>(), 1.0f) << where;
            ++compared;
        }
    }
    EXPECT_GE(compared, 5u);
}

}
