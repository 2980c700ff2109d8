#include <algorithm>

#include "kaso/platform/Error.h"
#include "src/backend/YtDlpBackend.h"
#include "src/diagnostics/Console.h"
#include "src/diagnostics/ContentProbes.h"
#include "src/diagnostics/DiagnosticMode.h"
#include "src/diagnostics/DisplayUrl.h"

namespace vexa {

ModeOutcome run_probe_ytdlp(DiagnosticEnvironment& environment, std::string const& query)
{
    auto& console = environment.console;
    console.err("probe-ytdlp: constructing the yt-dlp backend…");
    auto backend = YtDlpBackend::create(environment.settings);
    if (!backend)
        return kaso::make_error(fmt::format("yt-dlp backend: {}", backend.error().message));
    console.out("probe-ytdlp: backend = {}", backend->name());
    console.out("probe-ytdlp: searching YouTube for {} …", kaso::debug_text(query));

    auto found = backend->search(query);
    if (!found)
        return kaso::make_error(found.error().message);
    auto const* listed = std::get_if<FetchedVideos>(&*found);
    if (!listed) {
        console.out("probe-ytdlp: unexpected result variant");
        return ExitStatus::Success;
    }
    auto const& videos = listed->videos;
    console.out("  {} REAL results from YouTube:", videos.size());
    for (std::size_t i = 0; i < std::min<std::size_t>(videos.size(), 10); ++i) {
        auto const& video = videos[i];
        console.out("  {:>2}. [{}] {} — {} ({} views)", i + 1, video.id, video.title, video.channel_name, video.views);
        console.out("        thumb={}", display_url(video.thumbnail_url));
    }
    if (videos.empty()) {
        console.err("probe-ytdlp: EMPTY result set — reached yt-dlp but nothing parsed.");
        return ExitStatus::NoResults;
    }

    auto const& first = videos.front();
    console.out("");
    console.out("probe-ytdlp: video_details [{}] …", first.id);
    auto details = backend->video(first.id);
    if (!details)
        return kaso::make_error(details.error().message);
    if (auto const* one = std::get_if<FetchedVideo>(&*details)) {
        auto const& video = one->video;
        console.out("  title={} channel={} views={} likes={} desc_len={}", kaso::debug_text(video.title),
            kaso::debug_text(video.channel_name), video.views, video.likes, video.description.size());
        console.out("  thumb={}", display_url(video.thumbnail_url));
    }

    console.out("");
    console.out("probe-ytdlp: channel [{}] …", first.channel_id);
    auto channel_answer = backend->channel(first.channel_id);
    if (!channel_answer)
        return kaso::make_error(channel_answer.error().message);
    auto const* fetched = std::get_if<FetchedChannel>(&*channel_answer);
    if (!fetched)
        return ExitStatus::Success;
    auto const& channel = fetched->channel;
    console.out("  {} ({} subscribers, verified={}); {} uploads", kaso::debug_text(channel.name), channel.subscribers, channel.verified,
        fetched->uploads.size());
    console.out("  avatar_url = {}", channel.avatar_url);
    console.out("  banner_url = {}", channel.banner_url);
    if (channel.avatar_url.empty() || channel.banner_url.empty())
        console.err("probe-ytdlp: WARNING — channel avatar/banner url missing.");
    for (std::size_t i = 0; i < std::min<std::size_t>(fetched->uploads.size(), 3); ++i) {
        auto const& upload = fetched->uploads[i];
        console.out("    upload [{}] {} — thumb={}", upload.id, upload.title, display_url(upload.thumbnail_url));
    }
    return ExitStatus::Success;
}

}
