// The content probes in-process against loopback innertube, a loopback image host and the
// stand-in yt-dlp: each scenario's exact console lines, in order, with their streams, and how
// the mode ended.

#include <gtest/gtest.h>

#include <functional>

#include "src/diagnostics/ContentProbes.h"
#include "tests/diagnostics/DiagnosticServices.h"

namespace vexa {
namespace {

using testing::DiagnosticServices;

// How a scenario ends: an exit status, or an error with its message (status 1).
struct Ending {
    int status { 0 };
    std::string error;
    bool operator==(Ending const&) const = default;
};

Ending ending_of(ModeOutcome const& outcome)
{
    if (!outcome)
        return { 1, outcome.error().message };
    return { static_cast<int>(*outcome), {} };
}

std::string quoted(std::vector<std::string> const& lines)
{
    std::string out;
    for (auto const& line : lines) {
        std::string escaped;
        for (char c : line) {
            if (c == '"' || c == '\\')
                escaped += '\\';
            escaped += c;
        }
        out += "            \"" + escaped + "\",\n";
    }
    return out;
}

struct Scenario {
    char const* name;
    std::function<void(DiagnosticServices&)> setup;
    std::vector<std::string> transcript;
    Ending ending;
};

void run_scenarios(std::vector<Scenario> const& scenarios, std::function<ModeOutcome(DiagnosticEnvironment&)> const& probe)
{
    for (auto const& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        DiagnosticServices services;
        scenario.setup(services);
        auto ending = ending_of(probe(services.environment()));
        EXPECT_EQ(ending, scenario.ending) << ending.status << " " << ending.error;
        auto expected = scenario.transcript;
        for (auto& line : expected)
            for (auto at = line.find("@ORIGIN@"); at != std::string::npos; at = line.find("@ORIGIN@", at))
                line.replace(at, 8, services.origin());
        EXPECT_EQ(services.transcript(), expected) << quoted(services.transcript());
    }
}

// yt-dlp's answers, in the shapes it prints.
constexpr char const* ytdlp_search = R"({"_type": "playlist", "id": "cats", "entries": [
 {"id": "vid_a", "title": "Cat A", "channel": "Alpha", "channel_id": "UCalpha", "view_count": 1200, "duration": 61,
  "thumbnails": [{"url": "@ORIGIN@/img/a.png?sig=secret", "width": 1280, "height": 720}]},
 {"id": "vid_b", "title": "Cat B", "channel": "Beta", "channel_id": "UCbeta", "view_count": 7},
 {"id": "vid_c", "title": "Cat C", "channel": "Alpha", "channel_id": "UCalpha", "view_count": 3}
]})";
constexpr char const* ytdlp_empty_search = R"({"_type": "playlist", "id": "cats", "entries": []})";
constexpr char const* ytdlp_video = "\"vid_a\"\t\"Cat \\\"A\\\"\"\t\"Alpha\"\t\"UCalpha\"\t\"@alpha\"\t1200\t34\t61.7\t\"20200102\"\t\"About cats\"\tfalse\n";
constexpr char const* ytdlp_channel = R"({"id": "UCalpha", "channel": "Alpha", "uploader_id": "@alpha", "channel_follower_count": 5100,
 "channel_is_verified": true,
 "thumbnails": [{"url": "@ORIGIN@/img/banner.png", "width": 2560, "height": 424},
  {"url": "@ORIGIN@/img/avatar.png", "width": 900, "height": 900}],
 "entries": [{"id": "up_1", "title": "Upload one"}, {"id": "up_2", "title": "Upload two"},
  {"id": "up_3", "title": "Upload three"}, {"id": "up_4", "title": "Upload four"}]})";
constexpr char const* ytdlp_channel_without_pictures = R"({"id": "UCalpha", "channel": "Alpha", "channel_follower_count": 10,
 "entries": []})";

void serve_ytdlp_success(DiagnosticServices& services)
{
    services.answer_ytdlp("search", ytdlp_search);
    services.answer_ytdlp("video", ytdlp_video);
    services.answer_ytdlp("channel", ytdlp_channel);
}

// The yt-dlp probe's lines from its start through its request for the first video.
std::vector<std::string> const ytdlp_through_video_request = {
    "err: probe-ytdlp: constructing the yt-dlp backend…",
    "out: probe-ytdlp: backend = yt-dlp 2099.01.01",
    "out: probe-ytdlp: searching YouTube for \"cats\" …",
    "out:   3 REAL results from YouTube:",
    "out:    1. [vid_a] Cat A — Alpha (1200 views)",
    "out:         thumb=@ORIGIN@/img/a.png",
    "out:    2. [vid_b] Cat B — Beta (7 views)",
    "out:         thumb=@ORIGIN@/thumbs/vi/vid_b/hqdefault.jpg",
    "out:    3. [vid_c] Cat C — Alpha (3 views)",
    "out:         thumb=@ORIGIN@/thumbs/vi/vid_c/hqdefault.jpg",
    "out: ",
    "out: probe-ytdlp: video_details [vid_a] …",
};
// What follows when that video answers, up to the request for its channel.
std::vector<std::string> const ytdlp_video_answer = {
    "out:   title=\"Cat \\\"A\\\"\" channel=\"Alpha\" views=1200 likes=34 desc_len=10",
    "out:   thumb=@ORIGIN@/thumbs/vi/vid_a/hqdefault.jpg",
    "out: ",
    "out: probe-ytdlp: channel [UCalpha] …",
};

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> lines;
    for (auto const& part : parts)
        lines.insert(lines.end(), part.begin(), part.end());
    return lines;
}

TEST(ProbeYtDlp, Scenarios)
{
    std::vector<Scenario> scenarios = {
        { "success", serve_ytdlp_success, joined({ ytdlp_through_video_request, ytdlp_video_answer, {
                "out:   \"Alpha\" (5100 subscribers, verified=true); 4 uploads",
                "out:   avatar_url = @ORIGIN@/img/avatar.png",
                "out:   banner_url = @ORIGIN@/img/banner.png",
                "out:     upload [up_1] Upload one — thumb=@ORIGIN@/thumbs/vi/up_1/hqdefault.jpg",
                "out:     upload [up_2] Upload two — thumb=@ORIGIN@/thumbs/vi/up_2/hqdefault.jpg",
                "out:     upload [up_3] Upload three — thumb=@ORIGIN@/thumbs/vi/up_3/hqdefault.jpg",
            } }), { 0, {} } },
        { "empty search", [](auto& s) { s.answer_ytdlp("search", ytdlp_empty_search); }, {
                "err: probe-ytdlp: constructing the yt-dlp backend…",
                "out: probe-ytdlp: backend = yt-dlp 2099.01.01",
                "out: probe-ytdlp: searching YouTube for \"cats\" …",
                "out:   0 REAL results from YouTube:",
                "err: probe-ytdlp: EMPTY result set — reached yt-dlp but nothing parsed.",
            }, { 2, {} } },
        { "search fails", [](auto&) { }, {
                "err: probe-ytdlp: constructing the yt-dlp backend…",
                "out: probe-ytdlp: backend = yt-dlp 2099.01.01",
                "out: probe-ytdlp: searching YouTube for \"cats\" …",
            }, { 1, "yt-dlp failed: ERROR: [youtube] search: Video unavailable" } },
        { "no version", [](auto& s) { s.break_ytdlp_version(); }, { "err: probe-ytdlp: constructing the yt-dlp backend…" },
            { 1, "yt-dlp backend: yt-dlp --version failed" } },
        { "video fails", [](auto& s) { s.answer_ytdlp("search", ytdlp_search); }, ytdlp_through_video_request,
            { 1, "yt-dlp failed: ERROR: [youtube] video: Video unavailable" } },
        { "channel without pictures",
            [](auto& s) {
                serve_ytdlp_success(s);
                s.answer_ytdlp("channel", ytdlp_channel_without_pictures);
            },
            joined({ ytdlp_through_video_request, ytdlp_video_answer, {
                "out:   \"Alpha\" (10 subscribers, verified=false); 0 uploads",
                "out:   avatar_url = ",
                "out:   banner_url = ",
                "err: probe-ytdlp: WARNING — channel avatar/banner url missing.",
            } }), { 0, {} } },
    };
    run_scenarios(scenarios, [](DiagnosticEnvironment& environment) { return run_probe_ytdlp(environment, "cats"); });
}

void serve_innertube_success(DiagnosticServices& services)
{
    services.serve_innertube("search:cats", "search.json");
    services.serve_innertube("next:vidone", "watch.json");
    services.serve_innertube("browse:UCdogs", "channel.json");
    services.serve_innertube("browse:FEtrending", "trending.json");
}

TEST(ProbeSearch, Scenarios)
{
    std::vector<Scenario> scenarios = {
        { "success", serve_innertube_success, {
                "err: probe: constructing the live rustypipe backend…",
                "out: probe: backend = no_botguard (metadata only)",
                "out: probe: searching YouTube for \"cats\" …",
                "out: probe: 2 REAL results from YouTube:",
                "out:    1. [vidone] Dogs today  — Dog Channel (3400 views)",
                "out:    2. [vidtwo] Cats at noon  — Cat Corner (120 views)",
                "out: ",
                "out: probe: video_details [vidone] …",
                "out:   title=\"Watch me now\" channel=\"Watch Channel\" views=1500 likes=1234 desc_len=19",
                "out: probe: related [vidone] …",
                "out:   1 recommendations; first: \"Related C\"",
                "out: probe: channel_videos [UCdogs] …",
                "out:   \"New Channel\" (2500000 subs, verified=true); 2 uploads; first: \"Upload three\"",
                "out: probe: trending …",
                "out:   2 videos; first: \"Trend one\"",
            }, { 0, {} } },
        { "empty search", [](auto& s) { s.serve_innertube("search:cats", "empty_search.json"); }, {
                "err: probe: constructing the live rustypipe backend…",
                "out: probe: backend = no_botguard (metadata only)",
                "out: probe: searching YouTube for \"cats\" …",
                "out: probe: 0 REAL results from YouTube:",
                "err: probe: EMPTY result set — network reached YouTube but no videos parsed.",
            }, { 2, {} } },
        { "search fails", [](auto&) { }, {
                "err: probe: constructing the live rustypipe backend…",
                "out: probe: backend = no_botguard (metadata only)",
                "out: probe: searching YouTube for \"cats\" …",
                "err: probe: LIVE SEARCH FAILED (network/parse): search: HTTP 404",
            }, { 2, {} } },
        { "follow-ups fail", [](auto& s) { s.serve_innertube("search:cats", "search.json"); }, {
                "err: probe: constructing the live rustypipe backend…",
                "out: probe: backend = no_botguard (metadata only)",
                "out: probe: searching YouTube for \"cats\" …",
                "out: probe: 2 REAL results from YouTube:",
                "out:    1. [vidone] Dogs today  — Dog Channel (3400 views)",
                "out:    2. [vidtwo] Cats at noon  — Cat Corner (120 views)",
                "out: ",
                "out: probe: video_details [vidone] …",
                "err:   video_details failed: video: HTTP 404",
                "out: probe: related [vidone] …",
                "err:   related failed: related: HTTP 404",
                "out: probe: channel_videos [UCdogs] …",
                "err:   channel_videos failed: channel: HTTP 404",
                "out: probe: trending …",
                "err:   trending failed: trending: HTTP 404",
            }, { 0, {} } },
    };
    run_scenarios(scenarios, [](DiagnosticEnvironment& environment) { return run_probe_search(environment, "cats"); });
}

TEST(ProbeTrending, Scenarios)
{
    std::vector<Scenario> scenarios = {
        { "dedicated endpoint", [](auto& s) { s.serve_innertube("browse:FEtrending", "trending.json"); }, {
                "err: probe-trending: constructing the live rustypipe backend…",
                "out: probe-trending: calling the dedicated trending endpoint (FEtrending)…",
                "out:   REAL trending returned 2 videos:",
                "out:    1. [tr1] Trend one — Unknown",
                "out:    2. [tr2] Trend two — Unknown",
            }, { 0, {} } },
        { "one topic answers", [](auto& s) { s.serve_innertube("search:music|CAMSBAgDEAE%3D", "search.json"); }, {
                "err: probe-trending: constructing the live rustypipe backend…",
                "out: probe-trending: calling the dedicated trending endpoint (FEtrending)…",
                "out:   dedicated endpoint FAILED (as expected, it is retired): trending: HTTP 404",
                "out: ",
                "out: probe-trending: composing a REAL popular feed via view-count-sorted, last-week search…",
                "err:         news: FAILED: popular_search \"news\": HTTP 404",
                "out:        music: 2 popular videos; top: [vidone] Dogs today (3400 views)",
                "err:       gaming: FAILED: popular_search \"gaming\": HTTP 404",
                "err:   technology: FAILED: popular_search \"technology\": HTTP 404",
                "err:       sports: FAILED: popular_search \"sports\": HTTP 404",
                "err:      science: FAILED: popular_search \"science\": HTTP 404",
                "out: probe-trending: composed feed draws on 2 real popular videos across 6 topics.",
            }, { 0, {} } },
        { "nothing answers", [](auto& s) { s.serve_innertube("search:news|CAMSBAgDEAE%3D", "empty_search.json"); }, {
                "err: probe-trending: constructing the live rustypipe backend…",
                "out: probe-trending: calling the dedicated trending endpoint (FEtrending)…",
                "out:   dedicated endpoint FAILED (as expected, it is retired): trending: HTTP 404",
                "out: ",
                "out: probe-trending: composing a REAL popular feed via view-count-sorted, last-week search…",
                "out:         news: empty",
                "err:        music: FAILED: popular_search \"music\": HTTP 404",
                "err:       gaming: FAILED: popular_search \"gaming\": HTTP 404",
                "err:   technology: FAILED: popular_search \"technology\": HTTP 404",
                "err:       sports: FAILED: popular_search \"sports\": HTTP 404",
                "err:      science: FAILED: popular_search \"science\": HTTP 404",
                "err: probe-trending: no popular results at all — network/parse failure.",
            }, { 2, {} } },
    };
    run_scenarios(scenarios, [](DiagnosticEnvironment& environment) { return run_probe_trending(environment); });
}

TEST(ProbeAvatars, MatchesAvatarsAndDecodesThem)
{
    std::vector<Scenario> scenarios = {
        { "success",
            [](DiagnosticServices& s) {
                serve_ytdlp_success(s);
                s.serve_innertube("search:cats", "search.json");
                s.serve_innertube("browse:UCalpha", "channel.json");
                s.serve_image("/img/dog-avatar.png", 200, 40, 40);
                s.serve_image("/img/avatar.png", 40, 200, 40);
                s.serve_image("/thumbs/vi/vidone/hqdefault.jpg", 40, 40, 200);
                s.server().serve("/img/dog-creator.png", 200, "not a picture", "image/png");
            },
            {
                "err: probe-avatars: constructing yt-dlp + rustypipe backends…",
                "out: ",
                "out: == yt-dlp search \"cats\" ==",
                "out:   [vid_a] chan_id=\"UCalpha\" name=\"Alpha\" avatar=<EMPTY>",
                "out:   [vid_b] chan_id=\"UCbeta\" name=\"Beta\" avatar=<EMPTY>",
                "out:   [vid_c] chan_id=\"UCalpha\" name=\"Alpha\" avatar=<EMPTY>",
                "out: ",
                "out: == rustypipe search_items \"cats\" ==",
                "out:   2 videos, 1 playlists, 1 creators",
                "out:   vid [vidone] chan_id=\"UCdogs\" name=\"Dog Channel\" avatar=@ORIGIN@/img/dog-avatar.png",
                "out:   vid [vidtwo] chan_id=\"UCcats\" name=\"Cat Corner\" avatar=<none>",
                "out:   creator id=\"UCdogs\" name=\"Dog Channel\" avatar=@ORIGIN@/img/dog-creator.png",
                "out: ",
                "out: == fetch-test rustypipe avatar URLs through the real ImageStore ==",
                "out:   DECODED id=\"UCdogs\"",
                "out:      @ORIGIN@/img/dog-avatar.png",
                "out: ",
                "out: == by-CHANNEL-ID fold match: 0/3 yt-dlp videos would get an avatar ==",
                "out: == by-NORMALIZED-NAME fold match: 0/3 yt-dlp videos would get an avatar ==",
                "out: ",
                "out: == dominant yt-dlp channel: \"Alpha\" id=\"UCalpha\" (2 videos) ==",
                "out:   yt-dlp channel(UCalpha) → id=\"UCalpha\" name=\"Alpha\" subs=5100 avatar=@ORIGIN@/img/avatar.png",
                "out:   rustypipe channel(UCalpha) → id=\"UCnew\" name=\"New Channel\" subs=2500000 avatar=@ORIGIN@/img/dog-avatar.png",
                "out: ",
                "out: == fetch + decode avatar URLs (real transport + ImageStore decoder) ==",
                "out:   rustypipe video-item avatar: 145 bytes, format=PNG, ImageStore.decode=OK — @ORIGIN@/img/dog-avatar.png",
                "out:   rustypipe creator-row avatar: 13 bytes, format=OTHER, ImageStore.decode=FAILED — @ORIGIN@/img/dog-creator.png",
                "out:   yt-dlp channel-page avatar: 145 bytes, format=PNG, ImageStore.decode=OK — @ORIGIN@/img/avatar.png",
                "out:   video thumbnail (control): 145 bytes, format=PNG, ImageStore.decode=OK — @ORIGIN@/thumbs/vi/vidone/hqdefault.jpg",
            }, { 0, {} } },
    };
    run_scenarios(scenarios, [](DiagnosticEnvironment& environment) { return run_probe_avatars(environment, "cats"); });
}

}
}
