#include <algorithm>
#include <chrono>
#include <map>

#include "kaso/platform/Error.h"
#include "src/app/VexaApp.h"
#include "src/backend/InnertubeRole.h"
#include "src/backend/YtDlpBackend.h"
#include "src/diagnostics/Console.h"
#include "src/diagnostics/ContentProbes.h"
#include "src/diagnostics/DiagnosticMode.h"
#include "src/diagnostics/DisplayUrl.h"
#include "src/diagnostics/ProbeImageFetch.h"
#include "src/model/Formatting.h"

namespace vexa {

namespace {

using kaso::ui::image_store::LoadState;

struct ChannelTally {
    std::size_t videos { 0 };
    std::string name; // of the channel's first video
};

std::string or_none(std::string const& address) { return address.empty() ? "<none>" : display_url(address); }

template<typename Backend>
void print_channel(Console& console, Backend& backend, std::string_view label, std::string const& id)
{
    auto answer = backend.channel(id);
    if (!answer) {
        console.out("  {} channel FAILED: {}", label, answer.error().message);
        return;
    }
    auto const* fetched = std::get_if<FetchedChannel>(&*answer);
    if (!fetched) {
        console.out("  {} channel: unexpected variant", label);
        return;
    }
    auto const& channel = fetched->channel;
    console.out("  {} channel({}) → id={} name={} subs={} avatar={}", label, id, kaso::debug_text(channel.id), kaso::debug_text(channel.name),
        channel.subscribers, channel.avatar_url.empty() ? std::string("<EMPTY>") : display_url(channel.avatar_url));
}

std::string first_address(auto const& records, auto field)
{
    for (auto const& record : records)
        if (!(record.*field).empty())
            return record.*field;
    return {};
}

}

ModeOutcome run_probe_avatars(DiagnosticEnvironment& environment, std::string const& query)
{
    auto& console = environment.console;
    console.err("probe-avatars: constructing yt-dlp + rustypipe backends…");
    auto ytdlp = YtDlpBackend::create(environment.settings);
    if (!ytdlp)
        return kaso::make_error(fmt::format("yt-dlp: {}", ytdlp.error().message));
    auto innertube = make_innertube_backend(environment.settings);
    if (!innertube)
        return kaso::make_error(fmt::format("rustypipe: {}", innertube.error().message));

    console.out("");
    console.out("== yt-dlp search {} ==", kaso::debug_text(query));
    auto found = ytdlp->search(query);
    if (!found)
        return kaso::make_error(found.error().message);
    std::vector<Video> ytdlp_videos;
    if (auto* listed = std::get_if<FetchedVideos>(&*found))
        ytdlp_videos = std::move(listed->videos);
    std::map<std::string, ChannelTally> per_channel;
    for (std::size_t i = 0; i < ytdlp_videos.size(); ++i) {
        auto const& video = ytdlp_videos[i];
        if (i < 12)
            console.out("  [{}] chan_id={} name={} avatar={}", video.id, kaso::debug_text(video.channel_id), kaso::debug_text(video.channel_name),
                video.channel_avatar_url.empty() ? "<EMPTY>" : "present");
        auto& tally = per_channel[video.channel_id];
        if (tally.videos++ == 0)
            tally.name = video.channel_name;
    }

    console.out("");
    console.out("== rustypipe search_items {} ==", kaso::debug_text(query));
    auto items = (*innertube)->search_items(query);
    if (!items)
        return kaso::make_error(items.error().message);
    console.out("  {} videos, {} playlists, {} creators", items->videos.size(), items->playlists.size(), items->channels.size());

    std::map<std::string, std::string> by_id;
    for (std::size_t i = 0; i < std::min<std::size_t>(items->videos.size(), 12); ++i) {
        auto const& video = items->videos[i];
        console.out("  vid [{}] chan_id={} name={} avatar={}", video.id, kaso::debug_text(video.channel_id), kaso::debug_text(video.channel_name),
            or_none(video.channel_avatar_url));
        if (!video.channel_id.empty() && !video.channel_avatar_url.empty())
            by_id.emplace(video.channel_id, video.channel_avatar_url);
    }
    for (auto const& creator : items->channels) {
        console.out("  creator id={} name={} avatar={}", kaso::debug_text(creator.id), kaso::debug_text(creator.name), or_none(creator.avatar_url));
        if (!creator.id.empty() && !creator.avatar_url.empty())
            by_id.emplace(creator.id, creator.avatar_url);
    }

    console.out("");
    console.out("== fetch-test rustypipe avatar URLs through the real ImageStore ==");
    {
        auto store = new_image_store();
        for (auto const& [id, address] : by_id)
            store->get(address);
        store->block_until_idle(std::chrono::seconds(30));
        for (auto const& [id, address] : by_id) {
            bool failed = store->get(address).state == LoadState::Failed;
            console.out("  {} id={}", failed ? "FAILED" : "DECODED", kaso::debug_text(id));
            console.out("     {}", address);
        }
    }

    auto matched_by_id = std::count_if(ytdlp_videos.begin(), ytdlp_videos.end(), [&](Video const& video) { return by_id.contains(video.channel_id); });
    console.out("");
    console.out("== by-CHANNEL-ID fold match: {}/{} yt-dlp videos would get an avatar ==", matched_by_id, ytdlp_videos.size());

    std::map<std::string, std::string> by_name;
    for (auto const& video : items->videos)
        if (!video.channel_avatar_url.empty())
            by_name[normalized_name(video.channel_name)] = video.channel_avatar_url;
    for (auto const& creator : items->channels)
        if (!creator.avatar_url.empty())
            by_name[normalized_name(creator.name)] = creator.avatar_url;
    auto matched_by_name = std::count_if(ytdlp_videos.begin(), ytdlp_videos.end(),
        [&](Video const& video) { return by_name.contains(normalized_name(video.channel_name)); });
    console.out("== by-NORMALIZED-NAME fold match: {}/{} yt-dlp videos would get an avatar ==", matched_by_name, ytdlp_videos.size());

    std::optional<std::string> dominant;
    if (!per_channel.empty()) {
        auto most = std::max_element(per_channel.begin(), per_channel.end(),
            [](auto const& a, auto const& b) { return a.second.videos < b.second.videos; });
        dominant = most->first;
        console.out("");
        console.out("== dominant yt-dlp channel: {} id={} ({} videos) ==", kaso::debug_text(most->second.name), kaso::debug_text(most->first),
            most->second.videos);
        print_channel(console, *ytdlp, "yt-dlp", most->first);
        print_channel(console, **innertube, "rustypipe", most->first);
    }

    console.out("");
    console.out("== fetch + decode avatar URLs (real transport + ImageStore decoder) ==");
    auto client = image_http_client();
    ProbeImageContext context { {}, new_image_store(), [client](std::string_view address) { return fetch_image_bytes(client, address); } };
    probe_image_fetch(context, console, "rustypipe video-item avatar", first_address(items->videos, &Video::channel_avatar_url));
    probe_image_fetch(context, console, "rustypipe creator-row avatar", first_address(items->channels, &Channel::avatar_url));
    if (dominant) {
        std::string avatar;
        if (auto answer = ytdlp->channel(*dominant))
            if (auto const* fetched = std::get_if<FetchedChannel>(&*answer))
                avatar = fetched->channel.avatar_url;
        probe_image_fetch(context, console, "yt-dlp channel-page avatar", avatar);
    }
    probe_image_fetch(context, console, "video thumbnail (control)", first_address(items->videos, &Video::thumbnail_url));
    return ExitStatus::Success;
}

}
