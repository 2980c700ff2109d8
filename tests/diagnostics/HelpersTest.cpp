// The small routines the diagnostic modes share: address shortening, picture formats, the frame
// checksum, the result's debug form, the still's theme and the benchmark's reductions and models.

#include <gtest/gtest.h>

#include "src/backend/FetchRequest.h"
#include "src/diagnostics/DisplayUrl.h"
#include "src/diagnostics/EngineProbe.h"
#include "src/diagnostics/ScrollBench.h"
#include "src/diagnostics/Shots.h"

namespace vexa {
namespace {

TEST(DisplayUrl, ShortensForPrinting)
{
    std::string const seventy_two(72, 'a');
    // 71 ASCII bytes and "é": byte 72 is the second byte of the character.
    std::string const cut_inside = std::string(71, 'b') + "\xC3\xA9" + "tail";
    struct Case {
        std::string address;
        std::string expected;
    };
    Case const cases[] = {
        { "", "<none>" },
        { "https://i.host/vi/x/hq.jpg?sqp=abc&rs=1", "https://i.host/vi/x/hq.jpg" },
        { "?only", "" },
        { seventy_two, seventy_two },
        { seventy_two + "z", seventy_two + "…" },
        { seventy_two + "zzz?q=1", seventy_two + "…" },
        { cut_inside, cut_inside + "…" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(display_url(c.address), c.expected) << c.address;
}

TEST(ImageFormatName, NamesTheFormatFromItsFirstBytes)
{
    struct Case {
        std::string bytes;
        std::string_view expected;
    };
    Case const cases[] = {
        { "\xFF\xD8\xFF", "JPEG" },
        { "\xFF\xD8", "OTHER" },
        { "\x89PNG\r\n", "PNG" },
        { "\x89PN", "OTHER" },
        { std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), "WEBP" },
        { std::string("RIFF\x10\0\0\0WAVE", 12), "OTHER" },
        { std::string("RIFF\x10\0\0\0WEB", 11), "OTHER" },
        { "GIF89a", "GIF" },
        { "", "OTHER" },
    };
    for (auto const& c : cases) {
        std::vector<uint8_t> bytes(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(image_format_name(bytes), c.expected) << c.bytes;
    }
}

TEST(FrameChecksum, SamplesEveryNinetySeventhByte)
{
    EXPECT_EQ(frame_checksum({}), 0x14650fb0739d0383u);
    std::vector<uint8_t> bytes(97, 0);
    bytes[0] = 7;
    uint64_t one_step = (0x14650fb0739d0383u ^ 7u) * 0x100000001b3u;
    EXPECT_EQ(frame_checksum(bytes), one_step);
    // Bytes between the samples never count; the 98th byte (index 97) does.
    auto changed = bytes;
    changed[50] = 9;
    EXPECT_EQ(frame_checksum(changed), one_step);
    changed.push_back(1);
    EXPECT_EQ(frame_checksum(changed), (one_step ^ 1u) * 0x100000001b3u);
}

TEST(FetchResultDebugForm, NamesTheVariantWithItsCountOrId)
{
    Video video;
    video.id = "ab\"c\xC2\x85";
    Channel channel;
    channel.id = "UCx";
    EXPECT_EQ(debug_form(FetchResult { FetchedVideos { std::vector<Video>(12) } }), "Videos(12)");
    EXPECT_EQ(debug_form(FetchResult { FetchedVideo { video } }), "Video(\"ab\\\"c\\u{85}\")");
    EXPECT_EQ(debug_form(FetchResult { FetchedChannel { channel, { video } } }), "Channel(\"UCx\")");
}

TEST(ShotTheme, OnlyTheExactNamesChooseATheme)
{
    using Kind = kaso::ui::Theme::Kind;
    EXPECT_EQ(shot_theme("light").kind, Kind::Light);
    EXPECT_EQ(shot_theme("high-contrast").kind, Kind::HighContrast);
    for (auto other : { "Light", "dark", "", "light " })
        EXPECT_EQ(shot_theme(std::string_view(other)).kind, Kind::Dark) << other;
    EXPECT_EQ(shot_theme(std::nullopt).kind, Kind::Dark);
}

TEST(BenchDurations, MedianIsTheUpperMiddleAndEmptyListsAreZero)
{
    using us = std::chrono::microseconds;
    std::vector<us> const four { us(5), us(1), us(3), us(2) };
    EXPECT_EQ(median_duration(four), us(3));
    EXPECT_EQ(max_duration(four), us(5));
    EXPECT_EQ(median_duration({}), us(0));
    EXPECT_EQ(max_duration({}), us(0));
    std::vector<us> many;
    for (int i = 30; i > 0; --i)
        many.push_back(us(i));
    EXPECT_EQ(median_duration(many), us(16));
}

TEST(BenchModels, HomeIsPaddedWithRenamedCopiesAndWatchGetsSixtyComments)
{
    auto home = bench_home_model();
    ASSERT_EQ(home.videos.size(), 80u);
    auto const& first = home.videos[0];
    // Twelve sample videos: 68 copies, the first and the thirteenth named after the first video.
    EXPECT_EQ(home.videos[12].id, first.id + "_1");
    EXPECT_EQ(home.videos[12].seed, first.id + "_1");
    EXPECT_EQ(home.videos[12].title, first.title);
    EXPECT_EQ(home.videos[24].id, first.id + "_13");
    // Copy k repeats video (k - 1) mod 12.
    EXPECT_EQ(home.videos[79].id, home.videos[7].id + "_68");

    auto watch = bench_watch_model();
    ASSERT_EQ(watch.route.kind, RouteKind::Watch);
    auto const* video = watch.video(watch.route.text);
    ASSERT_NE(video, nullptr);
    ASSERT_EQ(video->comments.size(), 60u);
    auto original = bench_home_model().video(watch.route.text)->comments.size();
    ASSERT_GT(original, 0u);
    EXPECT_EQ(video->comments[original], video->comments[0]);
}

TEST(BenchScene, DescribesWhatItScrolls)
{
    EXPECT_EQ(scroll_bench_description({ .frames = 5, .loaded = true }), "80 Home cards");
    EXPECT_EQ(scroll_bench_description({ .frames = 5, .watch = true }), "watch page (player + 60 comments)");
    EXPECT_EQ(scroll_bench_description({ .frames = 5, .watch = true, .loaded = true }), "watch page (player + 60 comments) [loaded+paused player]");
}

}
}
