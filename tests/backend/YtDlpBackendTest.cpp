#include <chrono>

#include <gtest/gtest.h>

#include "src/backend/YtDlpBackend.h"
#include "tests/backend/StandInYtDlp.h"

namespace {

using namespace vexa;
using vexa::testing::StandInYtDlp;
using Args = std::vector<std::string>;
using namespace std::chrono_literals;

ServiceSettings settings() { return ServiceSettings::loopback("http://127.0.0.1:9"); }

YtDlpBackend make_backend()
{
    auto backend = YtDlpBackend::create(settings());
    EXPECT_TRUE(backend.has_value()) << backend.error().message;
    return std::move(*backend);
}

TEST(YtDlpBackend, NamesItselfAfterTheTrimmedVersion)
{
    StandInYtDlp stand_in;
    auto backend = make_backend();
    EXPECT_EQ(backend.name(), "yt-dlp 2099.01.01");
    EXPECT_EQ(stand_in.runs(), (std::vector<Args> { { "--version" } }));
}

TEST(YtDlpBackend, TextsThatAreNotUtf8HaveEachBadSequenceReplacedOnce)
{
    // A sequence cut short is one replacement character however many of its bytes arrived; a
    // byte that can begin nothing, and each byte of an encoded surrogate, is one each.
    StandInYtDlp stand_in("undecodable");
    auto backend = YtDlpBackend::create(settings());
    ASSERT_TRUE(backend.has_value()) << backend.error().message;
    EXPECT_EQ(backend->name(), "yt-dlp 2099.01.01\uFFFD-nightly \uFFFD");

    auto failed = backend->search("x");
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error().message, "yt-dlp failed: ERROR: caf\uFFFD \uFFFD \uFFFD \uFFFD\uFFFD\uFFFD \U0001F600 end");
}

TEST(YtDlpBackend, CannotBeMadeWithoutARunnableProgram)
{
    StandInYtDlp stand_in("broken-version");
    auto broken = YtDlpBackend::create(settings());
    ASSERT_FALSE(broken.has_value());
    EXPECT_EQ(broken.error().message, "yt-dlp --version failed");

    auto missing_settings = settings();
    missing_settings.ytdlp_program = "vexa-no-such-yt-dlp";
    auto missing = YtDlpBackend::create(missing_settings);
    ASSERT_FALSE(missing.has_value());
    EXPECT_TRUE(missing.error().message.starts_with("yt-dlp not runnable: ")) << missing.error().message;
}

TEST(YtDlpBackend, RunsEachListingWithItsArguments)
{
    StandInYtDlp stand_in;
    auto backend = make_backend();
    auto origin = settings().youtube_origin;

    auto found = backend.search("funny cats");
    ASSERT_TRUE(found.has_value()) << found.error().message;
    auto const& videos = std::get<FetchedVideos>(*found).videos;
    ASSERT_EQ(videos.size(), 3u); // the null entry and the one without an id are skipped
    EXPECT_EQ(videos[0].id, "vid_a");
    EXPECT_EQ(videos[0].thumbnail_url, "https://img/a-big.jpg");
    EXPECT_EQ(videos[0].duration, 61u);
    EXPECT_EQ(videos[0].published, "Jan 2, 2020");
    EXPECT_EQ(videos[1].title, "Cat B");
    EXPECT_EQ(videos[1].views, 0u);
    EXPECT_TRUE(videos[1].live);
    EXPECT_EQ(videos[2].channel_name, "Unknown");
    EXPECT_EQ(videos[2].thumbnail_url, settings().thumbnail_origin + "/vi/vid_c/hqdefault.jpg");

    ASSERT_TRUE(backend.trending().has_value());
    ASSERT_TRUE(backend.channel("@alpha").has_value());
    ASSERT_TRUE(backend.playlist("PLfun").has_value());

    auto runs = stand_in.runs();
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[1], (Args { "-J", "--flat-playlist", "--no-warnings", "ytsearch30:funny cats" }));
    EXPECT_EQ(runs[2], (Args { "-J", "--flat-playlist", "--no-warnings", "--playlist-end", "30", origin + "/feed/trending" }));
    EXPECT_EQ(runs[3], (Args { "-J", "--flat-playlist", "--no-warnings", "--playlist-end", "30", origin + "/@alpha/videos" }));
    EXPECT_EQ(runs[4], (Args { "-J", "--flat-playlist", "--no-warnings", "--playlist-end", "30", origin + "/playlist?list=PLfun" }));
}

TEST(YtDlpBackend, RelatedRunsNothing)
{
    StandInYtDlp stand_in;
    auto backend = make_backend();
    auto related = backend.related("vid_a");
    ASSERT_TRUE(related.has_value());
    EXPECT_TRUE(std::get<FetchedVideos>(*related).videos.empty());
    EXPECT_EQ(stand_in.runs().size(), 1u);
}

TEST(YtDlpBackend, ChannelAddresses)
{
    StandInYtDlp stand_in;
    auto backend = make_backend();
    auto origin = settings().youtube_origin;
    EXPECT_EQ(backend.channel_address("@alpha"), origin + "/@alpha/videos");
    EXPECT_EQ(backend.channel_address("alpha"), origin + "/@alpha/videos");
    EXPECT_EQ(backend.channel_address("UCabc"), origin + "/channel/UCabc/videos");
    EXPECT_EQ(backend.channel_address("https://host/c/x///"), "https://host/c/x/videos");
    EXPECT_EQ(backend.channel_address("https://host/@x/videos"), "https://host/@x/videos");
    EXPECT_EQ(backend.channel_address("a b/../c"), origin + "/@a%20b%2F..%2Fc/videos");
}

TEST(YtDlpBackend, ChannelPageGivesTheRecordAndItsUploads)
{
    StandInYtDlp stand_in;
    auto backend = make_backend();
    auto page = backend.channel("UCalpha");
    ASSERT_TRUE(page.has_value()) << page.error().message;
    auto const& [channel, uploads] = std::get<FetchedChannel>(*page);
    EXPECT_EQ(channel.id, "UCalpha");
    EXPECT_EQ(channel.handle, "@alpha");
    EXPECT_EQ(channel.subscribers, 5100u);
    EXPECT_TRUE(channel.verified);
    EXPECT_EQ(channel.avatar_url, "https://img/avatar-900.jpg");
    EXPECT_EQ(channel.banner_url, "https://img/banner.jpg");
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].channel_name, "Alpha");
    EXPECT_EQ(uploads[1].channel_name, "Guest");
}

TEST(YtDlpBackend, VideoAndSourceArePrintedFields)
{
    StandInYtDlp stand_in;
    auto backend = make_backend();
    auto video = backend.video("vid_a");
    ASSERT_TRUE(video.has_value()) << video.error().message;
    auto const& record = std::get<FetchedVideo>(*video).video;
    EXPECT_EQ(record.title, "Cat A");
    EXPECT_EQ(record.likes, 34u);
    EXPECT_EQ(record.duration, 61u);
    EXPECT_EQ(record.category, "Video");
    EXPECT_EQ(record.thumbnail_url, settings().thumbnail_origin + "/vi/vid_a/hqdefault.jpg");

    auto source = backend.resolve_source("vid_a");
    ASSERT_TRUE(source.has_value()) << source.error().message;
    EXPECT_EQ(source->url, "https://media.example/v.mp4?sig=1");
    EXPECT_EQ(source->quality, "720p");
    EXPECT_EQ(source->fps, 30);
    EXPECT_TRUE(source->has_audio);

    auto runs = stand_in.runs();
    ASSERT_EQ(runs.size(), 3u);
    auto watch = settings().youtube_origin + "/watch?v=vid_a";
    EXPECT_EQ(runs[1], (Args { "--no-warnings", "--no-playlist", "--print",
                           "%(id)j\t%(title)j\t%(channel)j\t%(channel_id)j\t%(uploader_id)j\t%(view_count)j\t%(like_count)j\t"
                           "%(duration)j\t%(upload_date)j\t%(description)j\t%(is_live)j",
                           watch }));
    EXPECT_EQ(runs[2], (Args { "--no-warnings", "--no-playlist", "-f", std::string(YtDlpBackend::format_selector), "--print",
                           "%(url)j\t%(width)j\t%(height)j\t%(fps)j\t%(format_note)j\t%(resolution)j\t%(ext)j\t%(vcodec)j\t%(acodec)j",
                           watch }));
}

TEST(YtDlpBackend, MissingFieldsAreNeverErrors)
{
    StandInYtDlp stand_in("missing-fields");
    auto backend = make_backend();
    auto found = backend.search("x");
    ASSERT_TRUE(found.has_value()) << found.error().message;
    ASSERT_EQ(std::get<FetchedVideos>(*found).videos.size(), 1u);
    EXPECT_EQ(std::get<FetchedVideos>(*found).videos[0].title, "");
    auto page = backend.channel("UCx");
    ASSERT_TRUE(page.has_value());
    EXPECT_TRUE(std::get<FetchedChannel>(*page).uploads.empty());
    auto playlist = backend.playlist("PLx");
    ASSERT_TRUE(playlist.has_value());
    EXPECT_EQ(playlist->first.id, "PLx");
    auto video = backend.video("vid_a");
    ASSERT_TRUE(video.has_value());
    EXPECT_EQ(std::get<FetchedVideo>(*video).video.id, "vid_a");
    auto source = backend.resolve_source("vid_a");
    ASSERT_FALSE(source.has_value());
    EXPECT_EQ(source.error().message, "no directly-playable https format for vid_a! (DRM-only or extraction changed)");
}

TEST(YtDlpBackend, FailedRunsBecomeTheirMessages)
{
    StandInYtDlp stand_in;
    auto backend = make_backend();
    struct Case {
        char const* scenario;
        char const* prefix;
    };
    for (auto const& [scenario, prefix] : std::initializer_list<Case> {
             { "bad-json", "yt-dlp JSON parse: " },
             { "huge", "yt-dlp failed safely: " },
             { "fail", "yt-dlp failed: ERROR: [youtube] abc: Video unavailable" },
             { "hang", "yt-dlp failed safely: " },
         }) {
        stand_in.set_scenario(scenario);
        auto started = std::chrono::steady_clock::now();
        auto found = backend.search("x");
        ASSERT_FALSE(found.has_value()) << scenario;
        EXPECT_TRUE(found.error().message.starts_with(prefix)) << scenario << ": " << found.error().message;
        // A run left alive would take the hanging stand-in's 30 s; the time-out here is 2 s.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 15s) << scenario;
    }
    // The backend stays usable.
    stand_in.set_scenario("success");
    EXPECT_TRUE(backend.search("x").has_value());
}

}
