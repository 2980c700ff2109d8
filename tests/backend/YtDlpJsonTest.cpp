#include <array>
#include <chrono>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "src/backend/JsonInput.h"
#include "src/backend/YtDlpJson.h"

namespace {

using nlohmann::json;
namespace ytdlp = vexa::ytdlp;

constexpr std::string_view thumbs = "http://127.0.0.1:1/thumbs";

int64_t days_of(int year, unsigned month, unsigned day)
{
    // Checked against the library's calendar.
    return std::chrono::sys_days(std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day)).time_since_epoch().count();
}

TEST(YtDlpUploadDate, AgesReadAsRelativeTextsAndOldDatesAsAbsolute)
{
    int64_t today = days_of(2024, 3, 15);
    struct Case {
        int64_t days_ago;
        std::string_view expected;
    };
    for (auto const& [days_ago, expected] : std::initializer_list<Case> {
             { 0, "today" }, { 1, "1 day ago" }, { 2, "2 days ago" }, { 6, "6 days ago" }, { 7, "1 week ago" },
             { 13, "1 week ago" }, { 14, "2 weeks ago" }, { 29, "4 weeks ago" }, { 30, "1 month ago" },
             { 59, "1 month ago" }, { 60, "2 months ago" }, { 364, "12 months ago" }, { 365, "Mar 16, 2023" },
             { -1, "Mar 16, 2024" } }) {
        auto when = std::chrono::sys_days(std::chrono::days(today - days_ago));
        std::chrono::year_month_day date { when };
        auto text = fmt::format("{:04}{:02}{:02}", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()));
        EXPECT_EQ(ytdlp::relative_upload_date(text, today), expected) << days_ago;
    }
    EXPECT_EQ(ytdlp::relative_upload_date("20210305", days_of(2030, 1, 1)), "Mar 5, 2021");
}

TEST(YtDlpUploadDate, AnythingButEightDigitsWithAValidMonthAndDayStaysAsItIs)
{
    for (std::string_view text : { "", "2021030", "2021-03-05", "20211305", "20210032", "20210300", "2021030x", "202103051" })
        EXPECT_EQ(ytdlp::relative_upload_date(text, days_of(2024, 1, 1)), text);
}

TEST(YtDlpDuration, ConvertsByTruncationAndClamps)
{
    EXPECT_EQ(ytdlp::duration_seconds(61.7), 61u);
    EXPECT_EQ(ytdlp::duration_seconds(-3), 0u);
    EXPECT_EQ(ytdlp::duration_seconds(std::nan("")), 0u);
    EXPECT_EQ(ytdlp::duration_seconds(std::numeric_limits<double>::infinity()), std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(ytdlp::duration_seconds(-std::numeric_limits<double>::infinity()), 0u);
    EXPECT_EQ(ytdlp::duration_seconds(1e20), std::numeric_limits<uint32_t>::max());
}

TEST(YtDlpVideo, MapsAListingEntry)
{
    auto entry = json::parse(R"({"id": "vid_a", "title": "", "fulltitle": "Full", "uploader": "Up", "uploader_id": "@up",
        "view_count": 10, "like_count": 3, "duration": 12.9, "description": "d", "is_live": true,
        "thumbnails": [{"url": "https://a", "width": 10, "height": 10, "preference": 5},
                       {"url": "https://b", "width": 10, "height": 10, "preference": 5},
                       {"url": "https://c", "width": 5, "height": 5, "preference": -1000}]})");
    auto video = ytdlp::video_from_json(entry, "Search", thumbs);
    EXPECT_EQ(video.id, "vid_a");
    EXPECT_EQ(video.title, "Full");
    EXPECT_EQ(video.channel_id, "@up");
    EXPECT_EQ(video.channel_name, "Up");
    EXPECT_EQ(video.channel_seed, "@up");
    EXPECT_EQ(video.views, 10u);
    EXPECT_EQ(video.likes, 3u);
    EXPECT_EQ(video.duration, 12u);
    EXPECT_EQ(video.description, "d");
    EXPECT_TRUE(video.live);
    EXPECT_EQ(video.thumbnail_url, "https://b"); // a later thumbnail wins a tie
    EXPECT_EQ(video.category, "Search");
    EXPECT_EQ(video.seed, "vid_a");
    EXPECT_FALSE(video.dearrow_title.has_value());
}

TEST(YtDlpVideo, WrongTypesReadAsDefaults)
{
    auto entry = json::parse(R"({"id": "x", "title": 42, "channel": ["a"], "view_count": -4, "like_count": 1.5,
        "duration": "long", "is_live": "yes", "thumbnails": {"url": "https://a"}, "upload_date": 20200101})");
    auto video = ytdlp::video_from_json(entry, "Trending", thumbs);
    EXPECT_EQ(video.title, "");
    EXPECT_EQ(video.channel_name, "Unknown");
    EXPECT_EQ(video.channel_seed, "x");
    EXPECT_EQ(video.views, 0u);
    EXPECT_EQ(video.likes, 0u);
    EXPECT_EQ(video.duration, 0u);
    EXPECT_FALSE(video.live);
    EXPECT_EQ(video.published, "");
    EXPECT_EQ(video.thumbnail_url, std::string(thumbs) + "/vi/x/hqdefault.jpg");

    auto not_an_object = ytdlp::video_from_json(json::array({ 1, 2 }), "Search", thumbs);
    EXPECT_EQ(not_an_object.id, "");
    EXPECT_EQ(not_an_object.thumbnail_url, "");
}

TEST(YtDlpVideo, HostileThumbnailSizesDoNotWrap)
{
    auto entry = json::parse(R"({"id": "x", "thumbnails": [
        {"url": "https://big", "width": 18446744073709551615, "height": 18446744073709551615},
        {"url": "https://small", "width": 4294967296, "height": 4294967296}]})");
    EXPECT_EQ(ytdlp::video_from_json(entry, "Search", thumbs).thumbnail_url, "https://small");
    auto reversed = json::parse(R"({"id": "x", "thumbnails": [
        {"url": "https://small", "width": 2, "height": 2},
        {"url": "https://big", "width": 18446744073709551615, "height": 2, "preference": 9223372036854775807}]})");
    EXPECT_EQ(ytdlp::video_from_json(reversed, "Search", thumbs).thumbnail_url, "https://big");
}

TEST(YtDlpChannel, PicksNearlySquareAvatarsAndWideBanners)
{
    auto document = json::parse(R"({"channel_id": "UC1", "uploader": "One", "thumbnails": [
        {"url": "https://wide-900x600", "width": 900, "height": 600},
        {"url": "https://square-900x800", "width": 900, "height": 800},
        {"url": "https://small-square", "width": 100, "height": 100},
        {"url": "https://banner-small", "width": 1200, "height": 400},
        {"url": "https://banner-big", "width": 2560, "height": 424}]})");
    auto channel = ytdlp::channel_from_json(document);
    EXPECT_EQ(channel.avatar_url, "https://square-900x800");
    EXPECT_EQ(channel.banner_url, "https://banner-big");
    EXPECT_EQ(channel.id, "UC1");
    EXPECT_EQ(channel.name, "One");
    EXPECT_EQ(channel.handle, "UC1");
    EXPECT_EQ(channel.seed, "UC1");

    auto uncropped = json::parse(R"({"thumbnails": [{"id": "avatar_uncropped", "url": "https://a-u"},
        {"id": "banner_uncropped", "url": "https://b-u"}, {"url": "https://square", "width": 5, "height": 5}]})");
    auto [avatar, banner] = ytdlp::channel_images(uncropped);
    EXPECT_EQ(avatar, "https://a-u");
    EXPECT_EQ(banner, "https://b-u");
    EXPECT_EQ(ytdlp::channel_images(json::parse(R"({"thumbnails": "x"})")), (std::pair<std::string, std::string> {}));
}

TEST(YtDlpChannel, UploadsTakeTheCreatorsIdAndNameWhenUnknown)
{
    auto document = json::parse(R"({"channel_id": "UC1", "channel": "One", "entries": [
        {"id": "a", "channel": "Unknown"}, {"id": "b", "channel": "Guest"}, {"id": "c"}]})");
    auto channel = ytdlp::channel_from_json(document);
    auto uploads = ytdlp::channel_uploads(document, channel, thumbs);
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].channel_name, "One");
    EXPECT_EQ(uploads[1].channel_name, "Guest");
    EXPECT_EQ(uploads[2].channel_name, "One");
    for (auto const& upload : uploads) {
        EXPECT_EQ(upload.channel_id, "UC1");
        EXPECT_EQ(upload.channel_seed, "UC1");
        EXPECT_EQ(upload.category, "Channel");
    }
}

TEST(YtDlpPlaylist, FallsBackToTheRequestedIdAndCountsVideos)
{
    auto [playlist, videos] = ytdlp::playlist_from_json(
        json::parse(R"({"playlist_title": "T", "uploader": "U", "playlist_count": -1, "entries": [{"id": "a"}, {"id": "b"}]})"), "PLx",
        thumbs);
    EXPECT_EQ(playlist.id, "PLx");
    EXPECT_EQ(playlist.title, "T");
    EXPECT_EQ(playlist.channel_name, "U");
    EXPECT_EQ(playlist.video_count, 2u);
    EXPECT_EQ(playlist.video_ids, (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(playlist.thumbnail_url, std::string(thumbs) + "/vi/a/hqdefault.jpg");
    EXPECT_EQ(videos.size(), 2u);
}

TEST(YtDlpPrintedFields, MissingOrBrokenColumnsReadAsNull)
{
    std::array<std::string_view, 3> fields { "id", "width", "title" };
    auto object = ytdlp::printed_fields("\"abc\"\tnot-json\r\nsecond line\t1\t2", fields);
    EXPECT_EQ(object["id"], "abc");
    EXPECT_TRUE(object["width"].is_null());
    EXPECT_TRUE(object["title"].is_null());
    EXPECT_EQ(ytdlp::print_template(fields), "%(id)j\t%(width)j\t%(title)j");
    auto empty = ytdlp::printed_fields("", fields);
    EXPECT_TRUE(empty["id"].is_null());
}

TEST(YtDlpSource, RoundsFramesPerSecondIntoRange)
{
    struct Case {
        std::string fps;
        uint8_t expected;
    };
    for (auto const& [fps, expected] : std::initializer_list<Case> {
             { "29.97", 30 }, { "0.4", 1 }, { "null", 1 }, { "300", 255 }, { "2.5", 3 }, { "-7", 1 }, { "\"60\"", 1 }, { "1e400", 255 } }) {
        auto fields = vexa::json_input::parse(R"({"url": "https://v", "fps": )" + fps + "}", 1000);
        if (!fields) {
            // A number beyond a double is refused by the parser; that is an error of its own.
            continue;
        }
        auto source = ytdlp::playback_source_from_fields(*fields, "id");
        ASSERT_TRUE(source.has_value());
        EXPECT_EQ(source->fps, expected) << fps;
    }
}

TEST(YtDlpSource, MapsTheFormatAndNeedsAnAddress)
{
    auto fields = json::parse(R"({"url": "https://v", "width": 1280, "height": 99999999999, "format_note": "",
        "resolution": "1280x720", "ext": "mp4", "vcodec": "avc1", "acodec": "none"})");
    auto source = ytdlp::playback_source_from_fields(fields, "id");
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->quality, "1280x720");
    EXPECT_EQ(source->mime, "mp4; avc1");
    EXPECT_EQ(source->width, 1280);
    EXPECT_EQ(source->height, std::numeric_limits<int32_t>::max());
    EXPECT_FALSE(source->has_audio);
    fields["acodec"] = "";
    EXPECT_FALSE(ytdlp::playback_source_from_fields(fields, "id")->has_audio);
    fields["acodec"] = "opus";
    EXPECT_TRUE(ytdlp::playback_source_from_fields(fields, "id")->has_audio);

    auto none = ytdlp::playback_source_from_fields(json::parse(R"({"url": null})"), "abc");
    ASSERT_FALSE(none.has_value());
    EXPECT_EQ(none.error().message, "no directly-playable https format for abc! (DRM-only or extraction changed)");
}

TEST(JsonInput, RefusesOversizedAndDeepDocumentsAndNeverThrows)
{
    EXPECT_FALSE(vexa::json_input::parse(std::string(2000, ' '), 1000).has_value());
    EXPECT_FALSE(vexa::json_input::parse(std::string(100, '[') + std::string(100, ']'), 10'000, 64).has_value());
    EXPECT_TRUE(vexa::json_input::parse(R"(["[[[[[[[[[[[[", {"a": "{{{{{{{{{"}])", 10'000, 3).has_value());
    for (std::string_view broken : { "", "{", R"({"a": )", "[1, 2", "nul", "\"\\u12\"", "{\"a\" 1}", "NaN", "-" })
        EXPECT_FALSE(vexa::json_input::parse(broken, 1000).has_value()) << broken;
}

}
