#include <gtest/gtest.h>

#include "kaso/ui/Launch.h"
#include "kaso/ui/LaunchArgs.h"

using kaso::ui::launch::LaunchArgs;
using kaso::ui::launch::WindowSize;

namespace {

constexpr std::string_view bools[] = { "--narrow", "--empty" };
constexpr std::string_view values[] = { "--route", "--palette-query" };

LaunchArgs parse(std::vector<std::string> words) { return LaunchArgs::parse(words, bools, values); }

}

TEST(LaunchArgs, FlagsValuesAndWindowSizes)
{
    auto args = parse({ "--narrow", "--route", "watch:x", "--palette-query=a=b", "--window-size=900x700" });
    EXPECT_TRUE(args.has("--narrow"));
    EXPECT_FALSE(args.has("--empty"));
    EXPECT_EQ(args.value("--route"), "watch:x");
    EXPECT_EQ(args.value("--palette-query"), "a=b");
    EXPECT_EQ(args.window_size(), (WindowSize { 900, 700 }));
    EXPECT_FALSE(args.is_plain());
}

TEST(LaunchArgs, OddInputs)
{
    struct Case {
        std::vector<std::string> words;
        bool narrow;
        std::optional<std::string> route;
        std::optional<WindowSize> size;
        std::size_t unknown;
    };
    std::vector<Case> cases = {
        { {}, false, std::nullopt, std::nullopt, 0 },
        { { "--route" }, false, std::nullopt, std::nullopt, 0 },                       // value missing at the end
        { { "--route", "--narrow" }, false, "--narrow", std::nullopt, 0 },             // the next word is the value
        { { "--route=" }, false, "", std::nullopt, 0 },                                // empty joined value
        { { "--narrow=yes" }, false, std::nullopt, std::nullopt, 1 },                   // a boolean flag takes no value
        { { "--bogus", "x" }, false, std::nullopt, std::nullopt, 2 },
        { { "--window-size", "640x480" }, false, std::nullopt, WindowSize { 640, 480 }, 0 },
        { { "--window-size=0x480" }, false, std::nullopt, std::nullopt, 1 },
        { { "--window-size=99999x480" }, false, std::nullopt, std::nullopt, 1 },
        { { "--window-size=12ax4" }, false, std::nullopt, std::nullopt, 1 },
        { { "--route=a", "--route=b" }, false, "b", std::nullopt, 0 },                  // the last one given wins
    };
    for (auto const& c : cases) {
        auto args = parse(c.words);
        std::string trace;
        for (auto const& w : c.words)
            trace += w + " ";
        SCOPED_TRACE(trace);
        EXPECT_EQ(args.has("--narrow"), c.narrow);
        EXPECT_EQ(args.value("--route"), c.route);
        EXPECT_EQ(args.window_size(), c.size);
        EXPECT_EQ(args.unknown().size(), c.unknown);
    }
}

TEST(LaunchArgs, PlainStartUsesTheDefaultBuilder)
{
    using kaso::ui::launch::Builder;
    EXPECT_EQ(kaso::ui::launch::builder_for(parse({})), Builder::Default);
    EXPECT_EQ(kaso::ui::launch::builder_for(parse({ "--bogus" })), Builder::Default);
    EXPECT_EQ(kaso::ui::launch::builder_for(parse({ "--empty" })), Builder::FromArgs);
    EXPECT_EQ(kaso::ui::launch::builder_for(parse({ "--window-size=800x600" })), Builder::FromArgs);
}

TEST(LaunchArgs, WindowTitleFromTheIdentifier)
{
    EXPECT_EQ(kaso::ui::launch::window_title("io.kaso.vexa"), "Vexa");
    EXPECT_EQ(kaso::ui::launch::window_title("plain"), "Plain");
}
