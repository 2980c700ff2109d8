#include <algorithm>

#include "kaso/platform/Error.h"
#include "src/backend/InnertubeRole.h"
#include "src/diagnostics/Console.h"
#include "src/diagnostics/ContentProbes.h"
#include "src/diagnostics/DiagnosticMode.h"

namespace vexa {

namespace {

std::string first_title(std::vector<Video> const& videos) { return videos.empty() ? "<none>" : kaso::debug_text(videos.front().title); }

// The follow-up calls on the first video: each prints what came and the probe goes on.
void probe_first_video(InnertubeRole& backend, Console& console, Video const& first)
{
    console.out("");
    console.out("probe: video_details [{}] …", first.id);
    if (auto details = backend.video(first.id); !details) {
        console.err("  video_details failed: {}", details.error().message);
    } else if (auto const* one = std::get_if<FetchedVideo>(&*details)) {
        auto const& video = one->video;
        console.out("  title={} channel={} views={} likes={} desc_len={}", kaso::debug_text(video.title),
            kaso::debug_text(video.channel_name), video.views, video.likes, video.description.size());
    }

    console.out("probe: related [{}] …", first.id);
    if (auto related = backend.related(first.id); !related) {
        console.err("  related failed: {}", related.error().message);
    } else if (auto const* listed = std::get_if<FetchedVideos>(&*related)) {
        console.out("  {} recommendations; first: {}", listed->videos.size(), first_title(listed->videos));
    }

    console.out("probe: channel_videos [{}] …", first.channel_id);
    if (auto channel = backend.channel(first.channel_id); !channel) {
        console.err("  channel_videos failed: {}", channel.error().message);
    } else if (auto const* fetched = std::get_if<FetchedChannel>(&*channel)) {
        console.out("  {} ({} subs, verified={}); {} uploads; first: {}", kaso::debug_text(fetched->channel.name),
            fetched->channel.subscribers, fetched->channel.verified, fetched->uploads.size(), first_title(fetched->uploads));
    }

    console.out("probe: trending …");
    if (auto trending = backend.trending(); !trending) {
        console.err("  trending failed: {}", trending.error().message);
    } else if (auto const* listed = std::get_if<FetchedVideos>(&*trending)) {
        console.out("  {} videos; first: {}", listed->videos.size(), first_title(listed->videos));
    }
}

}

ModeOutcome run_probe_search(DiagnosticEnvironment& environment, std::string const& query)
{
    auto& console = environment.console;
    console.err("probe: constructing the live rustypipe backend…");
    auto backend = make_innertube_backend(environment.settings);
    if (!backend)
        return kaso::make_error(fmt::format("live backend construction failed: {}", backend.error().message));
    console.out("probe: backend = {}", (*backend)->name());
    console.out("probe: searching YouTube for {} …", kaso::debug_text(query));

    auto found = (*backend)->search(query);
    if (!found) {
        console.err("probe: LIVE SEARCH FAILED (network/parse): {}", found.error().message);
        return ExitStatus::NoResults;
    }
    auto const* listed = std::get_if<FetchedVideos>(&*found);
    if (!listed) {
        console.out("probe: unexpected result variant: {}", debug_form(*found));
        return ExitStatus::Success;
    }
    auto const& videos = listed->videos;
    console.out("probe: {} REAL results from YouTube:", videos.size());
    for (std::size_t i = 0; i < std::min<std::size_t>(videos.size(), 15); ++i) {
        auto const& video = videos[i];
        console.out("  {:>2}. [{}] {}  — {} ({} views)", i + 1, video.id, video.title, video.channel_name, video.views);
    }
    if (videos.empty()) {
        console.err("probe: EMPTY result set — network reached YouTube but no videos parsed.");
        return ExitStatus::NoResults;
    }
    probe_first_video(**backend, console, videos.front());
    return ExitStatus::Success;
}

}
